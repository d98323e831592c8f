#include "ravek/src/debug.h"
#include "ravek/src/imagefile.h"

#include "ravek/tests/gl_util.h"
#include "ravek/tests/test_util.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace ravek;
using testutil::TempDir;

namespace {

typedef std::vector<unsigned char> Bytes;

// A PNG whose tRNS chunk claims more bytes than the file holds: libpng then warns for ever.
Bytes const CUT_TRNS = {0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00,
                        0x0d, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00, 0x00, 0x11, 0x00, 0x00,
                        0x00, 0x09, 0x08, 0x00, 0x00, 0x00, 0x00, 0xf1, 0x83, 0x98, 0xd0,
                        0x00, 0x00, 0xfd, 0x01, 0x74, 0x52, 0x4e, 0x53};

std::string fault(Bytes const& data) {
    return pngFault(data.data(), data.size());
}

void putBigEndian(Bytes& data, size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        data[at + i] = static_cast<unsigned char>(value >> (24 - 8 * i));
}

// A sound 3 x 2 RGBA picture as the file bytes.
Bytes soundPng(TempDir const& dir) {
    testutil::writePng(dir.file("sound.png"), 3, 2, 4, Bytes(3 * 2 * 4, 0x80));
    std::string text = testutil::readFile(dir.file("sound.png"));
    return Bytes(text.begin(), text.end());
}

} // namespace

TEST(PngStructure, SoundFilesLoadAndOtherFormatsAreLeftToSdlImage) {
    TempDir dir;
    EXPECT_EQ("", fault(soundPng(dir)));
    SDL_Surface* surface = loadImageFile(dir.file("sound.png"));
    ASSERT_NE(nullptr, surface);
    EXPECT_EQ(3, surface->w);
    EXPECT_EQ(2, surface->h);
    SDL_FreeSurface(surface);
    EXPECT_EQ("", fault(Bytes{'B', 'M', 0, 0}));
    EXPECT_EQ("", fault(Bytes()));
    EXPECT_EQ(nullptr, loadImageFile(dir.file("missing.png")));
    EXPECT_EQ("Couldn't open " + dir.file("missing.png"), SDL_GetError());
}

TEST(PngStructure, BrokenChunksAreRefusedBeforeTheDecoderSeesThem) {
    TempDir dir;
    EXPECT_EQ("PNG chunk tRNS runs past the end of the file", fault(CUT_TRNS));
    std::string file = dir.write("cut.png", std::string(CUT_TRNS.begin(), CUT_TRNS.end()));
    double started = testutil::threadSeconds();
    EXPECT_EQ(nullptr, loadImageFile(file));
    EXPECT_LT(testutil::threadSeconds() - started, 1.0);
    EXPECT_EQ("PNG chunk tRNS runs past the end of the file", std::string(SDL_GetError()));

    Bytes sound = soundPng(dir);
    Bytes badCrc = sound;
    badCrc[sound.size() - 20] ^= 0x01; // inside the last IDAT
    EXPECT_EQ("PNG chunk IDAT has a bad CRC", fault(badCrc));
    EXPECT_EQ("PNG file without IEND chunk", fault(Bytes(sound.begin(), sound.end() - 12)));
    EXPECT_EQ("PNG file without IHDR chunk", fault(Bytes(sound.begin(), sound.begin() + 8)));
    Bytes renamed = sound;
    renamed[12] = 'X';
    EXPECT_EQ("PNG chunk XHDR has a bad CRC", fault(renamed));
    // A length beyond 2^31 never fits, whatever the file's size.
    Bytes huge = sound;
    putBigEndian(huge, 8, 0x80000000u);
    EXPECT_EQ("PNG chunk IHDR runs past the end of the file", fault(huge));
}

TEST(PngStructure, PicturesLargerThanTheLimitAreRefused) {
    TempDir dir;
    for (std::uint32_t side : {MAX_IMAGE_SIDE, MAX_IMAGE_SIDE + 1, 0u}) {
        Bytes data = soundPng(dir);
        putBigEndian(data, 16, side);
        putBigEndian(data, 29, static_cast<std::uint32_t>(crc32(0L, &data[12], 17)));
        std::string expected = side == MAX_IMAGE_SIDE ? ""
                                                      : "PNG image of " + std::to_string(side) +
                                                            " x 2 pixels (at most 4096 x 4096)";
        EXPECT_EQ(expected, fault(data)) << side;
    }
}

TEST(ImageFileGL, WindowIconThatCannotBeReadIsLoggedAndLeftOut) {
    testutil::Window window(16, 16);
    TempDir dir;
    std::string file = dir.write("cut.png", std::string(CUT_TRNS.begin(), CUT_TRNS.end()));
    testutil::LogCapture log;
    setWindowIcon(file.c_str());
    EXPECT_NE(std::string::npos,
              log.text().find("(warning) Could not load window icon \"" + file +
                              "\": PNG chunk tRNS runs past the end of the file.\n"))
        << log.text();
}
