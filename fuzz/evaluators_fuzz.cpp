// Input-evaluator descriptions: triggers and their translators, cloned and written back.
#include "fuzz/fuzz_util.h"

#include "ravek/src/controls.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    ravek::InputEvaluator evaluator;
    fuzz::readDescription(evaluator, data, size);
    std::unique_ptr<ravek::InputEvaluator> copy(evaluator.clone());
    for (auto const& entry : copy->resources) {
        std::unique_ptr<ravek::xml::Node> tree(entry.second->buildTranslatorTree());
        tree->toString(0);
    }
    return 0;
}
