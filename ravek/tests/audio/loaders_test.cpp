#include "ravek/src/audio/loaders.h"

#include "ravek/tests/audio/audio_util.h"
#include "ravek/tests/test_util.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <memory>
#include <thread>

#include <sys/stat.h>

using namespace ravek::audio;
using testutil::TempDir;

namespace {

std::string thrown(std::function<void()> const& action) {
    try {
        action();
    } catch (std::string const& message) {
        return message;
    }
    return "(nothing thrown)";
}

std::string read(FileLoader& loader, int count, bool loop = false) {
    char* data = loader.read(&count, loop);
    return std::string(data, static_cast<size_t>(count));
}

// Every byte of the file, decoded without the loader.
std::string decodeAll(std::string const& file) {
    OggVorbis_File vf;
    FILE* in = std::fopen(file.c_str(), "rb");
    if (!in || ov_open(in, &vf, nullptr, 0) < 0)
        return "";
    std::string all;
    char chunk[4096];
    int section = 0;
    long r;
    while ((r = ov_read(&vf, chunk, sizeof chunk, 0, 2, 1, &section)) > 0)
        all.append(chunk, static_cast<size_t>(r));
    ov_clear(&vf);
    return all;
}

} // namespace

TEST(OggLoader, OnlyLowerCaseOggNamesGetALoader) {
    EXPECT_EQ("Unknown file type - \"tune.OGG\"", thrown([] { getFileLoader("tune.OGG"); }));
    EXPECT_EQ("Unknown file type - \"ogg\"", thrown([] { getFileLoader("ogg"); }));
    EXPECT_EQ("Unknown file type - \"\"", thrown([] { getFileLoader(""); }));
    EXPECT_EQ("Could not open file \"/nonexistent/x.wav.ogg\".",
              thrown([] { getFileLoader("/nonexistent/x.wav.ogg"); }));
}

TEST(OggLoader, FileThatIsNotOggVorbisIsRefusedWithTheLibraryText) {
    TempDir dir;
    std::string junk = dir.write("junk.ogg", std::string(8192, 'x'));
    EXPECT_EQ("Could not read Ogg stream:The given file/data was not recognized as Ogg Vorbis "
              "data.",
              thrown([&] { delete getFileLoader(junk); }));
}

TEST(OggLoader, MonoAndStereoFilesReportFormatSizeAndFrequency) {
    TempDir dir;
    ASSERT_TRUE(audiotest::writeTone(dir.file("mono.ogg"), 1, 22050, 10000, 440));
    ASSERT_TRUE(audiotest::writeTone(dir.file("stereo.ogg"), 2, 44100, 7001, 440, 660));
    std::unique_ptr<FileLoader> mono(getFileLoader(dir.file("mono.ogg")));
    EXPECT_EQ(AL_FORMAT_MONO16, mono->getFormat());
    EXPECT_EQ(20000, mono->getSize());
    EXPECT_EQ(22050, mono->getFrequency());
    std::unique_ptr<FileLoader> stereo(getFileLoader(dir.file("stereo.ogg")));
    EXPECT_EQ(AL_FORMAT_STEREO16, stereo->getFormat());
    EXPECT_EQ(28004, stereo->getSize());
    EXPECT_EQ(44100, stereo->getFrequency());
    int all = 0;
    stereo->read(&all, false);
    EXPECT_EQ(0, all);
    EXPECT_EQ(28004, static_cast<int>(read(*stereo, 65536).size()));
}

TEST(OggLoader, ReadsEndShortAtTheEndAndLoopingReadsWrapToTheStart) {
    TempDir dir;
    std::string file = dir.file("tone.ogg");
    ASSERT_TRUE(audiotest::writeTone(file, 1, 44100, 10000, 440));
    std::string reference = decodeAll(file);
    ASSERT_EQ(20000u, reference.size());

    std::unique_ptr<FileLoader> loader(getFileLoader(file));
    EXPECT_EQ(reference.substr(0, 19000), read(*loader, 19000));
    EXPECT_EQ(1000u, read(*loader, 65536).size());
    EXPECT_EQ(0u, read(*loader, 65536).size());

    std::unique_ptr<FileLoader> looping(getFileLoader(file));
    read(*looping, 19000);
    EXPECT_EQ(reference.substr(19000) + reference.substr(0, 3000), read(*looping, 4000, true));

    std::unique_ptr<FileLoader> whole(getFileLoader(file));
    int size = 0;
    char* data = whole->read(nullptr, false);
    EXPECT_EQ(reference, std::string(data, 20000));
    EXPECT_EQ(0, (whole->read(&size, false), size));
}

TEST(OggLoader, DecodingErrorIsThrownAndEveryLaterReadFailsToo) {
    TempDir dir;
    std::string file = dir.file("broken.ogg");
    ASSERT_TRUE(audiotest::writeTone(file, 1, 44100, 88200, 440));
    std::string bytes = testutil::readFile(file);
    for (size_t i = bytes.size() / 2; i < bytes.size() / 2 + 64; ++i)
        bytes[i] = static_cast<char>(bytes[i] ^ 0x5a);
    dir.write("broken.ogg", bytes);

    std::unique_ptr<FileLoader> loader;
    ASSERT_EQ("(nothing thrown)", thrown([&] { loader.reset(getFileLoader(file)); }));
    std::string error = thrown([&] { read(*loader, loader->getSize()); });
    EXPECT_EQ("Could not decode Ogg stream: Vorbisfile encoutered missing or corrupt data in the "
              "bitstream.",
              error);
    EXPECT_EQ(0u, thrown([&] { read(*loader, 4096); }).find("Could not decode Ogg stream: "));
}

// The length comes from the file; a wrong one must neither wrap nor promise bytes that never
// come.
TEST(OggLoader, LengthsFromTheFileAreCheckedInSixtyFourBits) {
    TempDir dir;
    // 4 bytes a frame would wrap a 32-bit size to 400 bytes.
    ASSERT_TRUE(audiotest::writeTone(dir.file("wrap.ogg"), 2, 44100, 4000, 440, 0,
                                     audiotest::claimLength((int64_t(1) << 30) + 100)));
    EXPECT_EQ("Ogg stream too long: 4294967696 bytes.",
              thrown([&] { delete getFileLoader(dir.file("wrap.ogg")); }));

    ASSERT_TRUE(audiotest::writeTone(dir.file("three.ogg"), 3, 44100, 4000, 440));
    EXPECT_EQ("Unsupported number of channels in Ogg stream: 3.",
              thrown([&] { delete getFileLoader(dir.file("three.ogg")); }));

    // Claims more than it holds: reads deliver what was decoded, never more.
    ASSERT_TRUE(audiotest::writeTone(dir.file("short.ogg"), 1, 44100, 4000, 440, 0,
                                     audiotest::claimLength(6000)));
    std::unique_ptr<FileLoader> loader(getFileLoader(dir.file("short.ogg")));
    int size = loader->getSize();
    loader->read(&size, false);
    EXPECT_EQ(decodeAll(dir.file("short.ogg")).size(), static_cast<size_t>(size));
    EXPECT_LT(size, loader->getSize());
}

TEST(OggLoader, StreamThatCannotSeekHasNoLengthAndIsRefused) {
    TempDir dir;
    ASSERT_TRUE(audiotest::writeTone(dir.file("tone.ogg"), 1, 44100, 4000, 440));
    std::string bytes = testutil::readFile(dir.file("tone.ogg"));
    std::string fifo = dir.file("pipe.ogg");
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    auto previous = std::signal(SIGPIPE, SIG_IGN);
    std::thread writer([&] {
        FILE* out = std::fopen(fifo.c_str(), "wb");
        if (out) {
            std::fwrite(bytes.data(), 1, bytes.size(), out);
            std::fclose(out);
        }
    });
    EXPECT_EQ("Ogg stream without a known length.", thrown([&] { delete getFileLoader(fifo); }));
    writer.join();
    std::signal(SIGPIPE, previous);
}

TEST(OggLoader, ErrorTextsCoverVorbisfileCodes) {
    EXPECT_EQ("Not true, or no data available.", getOggErrorString(OV_FALSE));
    EXPECT_EQ("The given stream is not seekable.", getOggErrorString(OV_ENOSEEK));
    for (int code : {-2, -135, -136, 0, 1})
        EXPECT_EQ("(Unknown Ogg error)", getOggErrorString(code)) << code;
}
