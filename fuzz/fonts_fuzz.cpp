// A font directory's bitmapfont.xml, read without a window (glyph images are not loaded), and
// the widths of texts in the font read.
#include "fuzz/fuzz_util.h"

#include "ravek/src/gfx/fonts.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    fuzz::writeInput("font/bitmapfont.xml", data, size);
    try {
        ravek::fonts::BitmapFont font(fuzz::workDir() + "/font");
        font.getWidth("The quick brown fox, 0123456789 !?~\x7f\x80\xff");
        font.getHeight();
    } catch (std::string const&) {
    }
    return 0;
}
