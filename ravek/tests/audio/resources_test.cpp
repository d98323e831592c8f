#include "ravek/src/audio/core.h"
#include "ravek/src/audio/resources.h"
#include "ravek/src/xml.h"

#include "ravek/tests/audio/audio_util.h"
#include "ravek/tests/test_util.h"

#include <gtest/gtest.h>

#include <memory>

using namespace ravek;
using namespace ravek::audio;
using testutil::LogCapture;
using testutil::TempDir;

namespace {

// Reads a "samples" element given as text into a new bank.
std::string readBank(SampleBank& bank, std::string const& text, std::string const& dir = "d/") {
    TempDir tmp;
    std::unique_ptr<xml::Node> root(xml::loadXML(tmp.write("bank.xml", text)));
    try {
        bank.getFromNode(root.get(), dir);
    } catch (std::string const& message) {
        return message;
    }
    return "";
}

} // namespace

TEST(SampleBank, ReadsCachedAndStreamedSamplesWithTheirAttributes) {
    SampleBank bank;
    EXPECT_EQ("", readBank(bank, "<samples><sample name='laser' filename='l.ogg' volume='0.5' "
                                 "pitch='1.5' rolloff='2' loop='true' priority='0x10'/>"
                                 "<other name='x' filename='x.ogg'/>"
                                 "<stream name='tune' filename='sub/t.ogg' bufferSize='8192'/>"
                                 "</samples>"));
    ASSERT_EQ(2, bank.size());
    auto* laser = dynamic_cast<CachedSample*>(bank.resources.at("laser"));
    ASSERT_NE(nullptr, laser);
    EXPECT_EQ("d/l.ogg", laser->filename);
    EXPECT_EQ(&bank, laser->bank);
    EXPECT_FLOAT_EQ(0.5f, laser->properties.volume);
    EXPECT_FLOAT_EQ(1.5f, laser->properties.pitch);
    EXPECT_FLOAT_EQ(2.0f, laser->properties.rolloff);
    EXPECT_TRUE(laser->properties.loop);
    EXPECT_EQ(16, laser->priority);
    EXPECT_EQ(0u, laser->buffer);
    auto* tune = dynamic_cast<StreamedSample*>(bank.resources.at("tune"));
    ASSERT_NE(nullptr, tune);
    EXPECT_EQ("d/sub/t.ogg", tune->filename);
    EXPECT_EQ(8192, tune->bufferSize);
    EXPECT_FLOAT_EQ(1.0f, tune->properties.volume);
    EXPECT_FALSE(tune->properties.loop);
    EXPECT_EQ(0, tune->priority);
}

TEST(SampleBank, SampleWithoutANameIsNamedAfterItsFilenameAttribute) {
    SampleBank bank;
    LogCapture log;
    readBank(bank, "<samples><sample filename='boom.ogg'/></samples>", "snd/");
    EXPECT_NE(std::string::npos,
              log.text().find("(warning) No name specified for sound. Using filename.\n"));
    ASSERT_EQ(1u, bank.resources.count("boom.ogg"));
    EXPECT_EQ("snd/boom.ogg", bank.resources["boom.ogg"]->filename);
}

TEST(SampleBank, SampleWithoutAFilenameEndsTheReadingButKeepsTheEarlierOnes) {
    SampleBank bank;
    EXPECT_EQ("No filename specified for sound \"b\".",
              readBank(bank, "<samples><sample name='a' filename='a.ogg'/><sample name='b'/>"
                             "<sample name='c' filename='c.ogg'/></samples>"));
    EXPECT_EQ(1, bank.size());
    EXPECT_EQ(1u, bank.resources.count("a"));
}

TEST(SampleBank, LaterSampleOfTheSameNameReplacesTheEarlierOne) {
    SampleBank bank;
    readBank(bank, "<samples><sample name='a' filename='1.ogg'/><stream name='a' "
                   "filename='2.ogg'/></samples>");
    ASSERT_EQ(1, bank.size());
    EXPECT_EQ("d/2.ogg", bank.resources["a"]->filename);
    EXPECT_NE(nullptr, dynamic_cast<StreamedSample*>(bank.resources["a"]));
}

TEST(SampleBank, StreamBufferSizesThatCannotHoldWholeFramesAreCorrected) {
    SampleBank bank;
    LogCapture log;
    readBank(bank, "<samples><stream name='default' filename='a.ogg'/>"
                   "<stream name='zero' filename='a.ogg' bufferSize='0'/>"
                   "<stream name='negative' filename='a.ogg' bufferSize='-8'/>"
                   "<stream name='odd' filename='a.ogg' bufferSize='10001'/>"
                   "<stream name='tiny' filename='a.ogg' bufferSize='6'/>"
                   "<stream name='small' filename='a.ogg' bufferSize='1024'/></samples>");
    auto size = [&](char const* name) {
        return static_cast<StreamedSample*>(bank.resources.at(name))->bufferSize;
    };
    EXPECT_EQ(65536, size("default"));
    EXPECT_EQ(4096, size("zero"));
    EXPECT_EQ(4096, size("negative"));
    EXPECT_EQ(10000, size("odd"));
    EXPECT_EQ(4096, size("tiny"));
    EXPECT_EQ(1024, size("small"));
    EXPECT_NE(std::string::npos,
              log.text().find("(warning) Invalid buffer size 10001 for stream \"odd\"; using "
                              "10000.\n"));
}

TEST(SampleBank, StandaloneDescriptionIsReadRelativeToItsDirectory) {
    TempDir tmp;
    SampleBank bank;
    bank.load(tmp.write("sounds.xml", "<samples dir='fx/'><sample name='a' filename='a.ogg'/>"
                                      "</samples>"));
    ASSERT_EQ(1, bank.size());
    EXPECT_EQ(tmp.path + "/fx/a.ogg", bank.resources["a"]->filename);
    bank.load(tmp.write("other.xml", "<images><sample name='b' filename='b.ogg'/></images>"));
    EXPECT_EQ(1, bank.size());
}

TEST(SampleBank, GeneratorMakesSampleBanksOnlyForSamples) {
    std::unique_ptr<BasicResourceBank> bank(audio::resourceBankGenerator.generateBank("samples"));
    EXPECT_NE(nullptr, dynamic_cast<SampleBank*>(bank.get()));
    EXPECT_EQ(nullptr, audio::resourceBankGenerator.generateBank("images"));
}

TEST(SoundProperties, StereoPositionIsClampedAndMovesTowardsTheListener) {
    SoundProperties properties;
    properties.position[1] = 7.0f;
    properties.setStereoPosition(-2.0f);
    EXPECT_FLOAT_EQ(-1.0f, properties.position[0]);
    EXPECT_FLOAT_EQ(7.0f, properties.position[1]);
    EXPECT_FLOAT_EQ(0.0f, properties.position[2]);
    properties.setStereoPosition(0.25f);
    EXPECT_FLOAT_EQ(0.25f, properties.position[0]);
    EXPECT_FLOAT_EQ(0.75f, properties.position[2]);
}

TEST(CachedSampleAL, RefreshDecodesTheWholeFileIntoOneBufferOnce) {
    audiotest::Loopback loopback;
    ASSERT_TRUE(loopback.ok());
    TempDir tmp;
    ASSERT_TRUE(audiotest::writeTone(tmp.file("mono.ogg"), 1, 22050, 1000, 440));
    ASSERT_TRUE(audiotest::writeTone(tmp.file("stereo.ogg"), 2, 44100, 1500, 440));
    SampleBank bank;
    readBank(bank,
             "<samples><sample name='m' filename='mono.ogg'/>"
             "<sample name='s' filename='stereo.ogg'/><stream name='t' filename='x.ogg'/>"
             "</samples>",
             tmp.path + "/");
    bank.refresh();
    auto* mono = static_cast<CachedSample*>(bank.resources["m"]);
    auto* stereo = static_cast<CachedSample*>(bank.resources["s"]);
    ASSERT_NE(0u, mono->buffer);
    ALint size = 0, frequency = 0, channels = 0;
    alGetBufferi(mono->buffer, AL_SIZE, &size);
    alGetBufferi(mono->buffer, AL_FREQUENCY, &frequency);
    alGetBufferi(mono->buffer, AL_CHANNELS, &channels);
    EXPECT_EQ(2000, size);
    EXPECT_EQ(22050, frequency);
    EXPECT_EQ(1, channels);
    EXPECT_EQ(AL_FORMAT_MONO16, mono->format);
    EXPECT_EQ(6000, stereo->size);
    EXPECT_EQ(AL_FORMAT_STEREO16, stereo->format);

    ALuint first = mono->buffer;
    mono->refresh();
    EXPECT_EQ(first, mono->buffer);
    bank.release();
    EXPECT_EQ(0u, mono->buffer);
    EXPECT_FALSE(alIsBuffer(first));
}

TEST(CachedSampleAL, UploadsOnlyTheBytesReallyDecoded) {
    audiotest::Loopback loopback;
    ASSERT_TRUE(loopback.ok());
    TempDir tmp;
    ASSERT_TRUE(audiotest::writeTone(tmp.file("liar.ogg"), 1, 44100, 4000, 440, 0,
                                     audiotest::claimLength(9000)));
    CachedSample sample;
    sample.filename = tmp.file("liar.ogg");
    sample.refresh();
    ALint size = 0;
    alGetBufferi(sample.buffer, AL_SIZE, &size);
    EXPECT_EQ(sample.size, size);
    EXPECT_LT(size, 18000);
}

TEST(CachedSampleAL, FileThatCannotBeReadKeepsAnEmptyBufferSoOnlyReloadTriesAgain) {
    audiotest::Loopback loopback;
    ASSERT_TRUE(loopback.ok());
    CachedSample sample;
    sample.name = "gone";
    sample.filename = "/nonexistent/gone.ogg";
    std::string const error = "Error loading file \"/nonexistent/gone.ogg\": Could not open file "
                              "\"/nonexistent/gone.ogg\".";
    try {
        sample.refresh();
        ADD_FAILURE() << "refresh did not throw";
    } catch (std::string const& message) {
        EXPECT_EQ(error, message);
    }
    EXPECT_NE(0u, sample.buffer);
    EXPECT_NO_THROW(sample.refresh());
    EXPECT_THROW(sample.reload(), std::string);
}

TEST(CachedSampleAL, DisabledAudioMakesNoBuffer) {
    audiotest::Loopback loopback;
    ASSERT_TRUE(loopback.ok());
    CachedSample sample;
    sample.filename = "/nonexistent/gone.ogg";
    enabled = false;
    EXPECT_NO_THROW(sample.refresh());
    enabled = true;
    EXPECT_EQ(0u, sample.buffer);
}
