// Animation descriptions, and playing every animation read through a reference.
#include "fuzz/fuzz_util.h"

#include "ravek/src/gfx/animations.h"

using namespace ravek::gfx;

namespace {

// The data set's image banks, so that frames find the images its animations name; never
// loaded.
ravek::ResourceManager& manager() {
    static ravek::ResourceManager* banks = fuzz::dataSetBanks({"images"});
    return *banks;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    std::unique_ptr<ravek::xml::Node> root = fuzz::parseInput(data, size);
    if (!root)
        return 0;
    AnimationBank bank;
    bank.manager = &manager();
    try {
        bank.getFromNode(root.get(), dynamic_cast<ImageBank*>(manager().banks["imagesGame"]));
    } catch (std::string const&) {
    }
    for (auto const& entry : bank.resources) {
        for (float speed : {1.0f, 0.5f, 0.0f}) {
            std::unique_ptr<AnimationReference> reference(entry.second->getReference(speed));
            for (float ms : {0.0f, 3.0f, 40.0f, 1e6f, 1e30f})
                reference->perform(ms);
            reference->isFinished();
        }
    }
    return 0;
}
