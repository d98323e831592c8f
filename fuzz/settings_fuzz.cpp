// The game's settings file: applied to the players' real evaluators, the values stay in their
// ranges, and what the game writes back reads back to the same settings and bindings.
#include "fuzz/fuzz_util.h"

#include "quellon/src/settings.h"

#include "ravek/src/controls.h"

#include <cstdlib>

namespace {

struct Applied {
    quellon::Settings settings;
    std::unique_ptr<ravek::InputEvaluator> players[quellon::CONTROL_GROUPS];
    std::string written;

    explicit Applied(ravek::xml::Node const* root) {
        static ravek::InputEvaluator* player = dynamic_cast<ravek::InputEvaluator*>(
            fuzz::dataSetBanks({"inputEvaluator"})->banks.at("evaluatorGamePlayer"));
        ravek::InputEvaluator* evaluators[quellon::CONTROL_GROUPS];
        for (int i = 0; i < quellon::CONTROL_GROUPS; ++i) {
            players[i].reset(player->clone());
            evaluators[i] = players[i].get();
        }
        quellon::applySettings(root, settings, evaluators);
        std::unique_ptr<ravek::xml::Node> tree(quellon::buildSettingsTree(settings, evaluators));
        written = tree->toString(0);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    std::unique_ptr<ravek::xml::Node> root = fuzz::parseInput(data, size);
    if (!root)
        return 0;
    Applied first(root.get());
    quellon::Settings const& s = first.settings;
    if (s.volumeSfx < 0 || s.volumeSfx > 100 || s.volumeMusic < 0 || s.volumeMusic > 100 ||
        s.xRes <= 0 || s.xRes > 16384 || s.yRes <= 0 || s.yRes > 16384)
        std::abort();
    auto* text = reinterpret_cast<std::uint8_t const*>(first.written.data());
    std::unique_ptr<ravek::xml::Node> again = fuzz::parseInput(text, first.written.size());
    if (!again || Applied(again.get()).written != first.written)
        std::abort();
    return 0;
}
