// The XML layer: reading any bytes, and writing what was read so that it reads back the same.
#include "fuzz/fuzz_util.h"

#include <cstdlib>

using ravek::xml::Node;

namespace {

bool asciiNames(Node const* node) {
    auto ascii = [](std::string const& text) {
        for (char c : text)
            if (static_cast<unsigned char>(c) >= 0x80)
                return false;
        return true;
    };
    if (!ascii(node->name))
        return false;
    for (auto const& attribute : node->attributes)
        if (!ascii(attribute.first))
            return false;
    for (Node const* child : node->children)
        if (!asciiNames(child))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    std::unique_ptr<Node> root = fuzz::parseInput(data, size);
    // Names outside Latin-1 come back as '?', which no name may hold: only others round-trip.
    if (!root || !asciiNames(root.get()))
        return 0;
    std::string text = root->toString(0);
    std::string saved = fuzz::workDir() + "/saved.xml";
    if (!root->saveXML(saved.c_str()))
        std::abort();
    std::unique_ptr<Node> back;
    try {
        back.reset(ravek::xml::loadXML(saved));
    } catch (std::string const& message) {
        std::fprintf(stderr, "written document does not read back: %s\n", message.c_str());
        std::abort();
    }
    if (!back || back->toString(0) != text) {
        std::fprintf(stderr, "written document reads back differently\n");
        std::abort();
    }
    return 0;
}
