#include "ravek/src/audio/sources.h"

#include "ravek/tests/audio/audio_util.h"
#include "ravek/tests/test_util.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

using namespace ravek::audio;
using testutil::LogCapture;
using testutil::TempDir;

namespace {

// Counts each sound's notifications by the order of its creation.
class Journal : public SoundHandler {
public:
    void soundInit(Sound* sound) override { ids[sound] = created++; }
    void soundStreamed(Sound* sound) override { ++streamed[ids[sound]]; }
    void soundDone(Sound* sound) override {
        ++done[ids[sound]];
        ids.erase(sound);
    }
    int created = 0;
    std::map<Sound*, int> ids;
    std::map<int, int> done;
    std::map<int, int> streamed;
};

// A loopback context and tone files: 'tone' lasts 0.1 s, 'loop' loops, 'long' lasts 1 s.
class SourcePoolAL : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(loopback.ok());
        ASSERT_TRUE(audiotest::writeTone(dir.file("tone.ogg"), 1, 44100, 4410, 440));
        ASSERT_TRUE(audiotest::writeTone(dir.file("long.ogg"), 1, 44100, 44100, 440));
        tone.filename = dir.file("tone.ogg");
        loop.filename = dir.file("long.ogg");
        loop.properties.loop = true;
        tone.refresh();
        loop.refresh();
    }
    ALint state(Sound* sound) {
        ALint value = 0;
        alGetSourcei(sound->getSource()->alSource, AL_SOURCE_STATE, &value);
        return value;
    }
    // Mixes `ms` milliseconds in 10 ms steps, performing the pool after each.
    void run(SourcePool* pool, int ms, std::vector<int16_t>* out = nullptr) {
        std::vector<int16_t> scratch;
        for (int t = 0; t < ms; t += 10) {
            loopback.render(441, out ? *out : scratch);
            if (pool)
                pool->perform(10.0f);
        }
    }

    audiotest::Loopback loopback;
    TempDir dir;
    CachedSample tone;
    CachedSample loop;
    Journal journal;
};

} // namespace

TEST_F(SourcePoolAL, ThirdSoundOfEqualPriorityStealsTheOldest) {
    SourcePool pool(2);
    Sound* first = pool.play(&loop, nullptr, &journal, 1);
    Sound* second = pool.play(&loop, nullptr, &journal, 1);
    ASSERT_NE(nullptr, first);
    ASSERT_NE(nullptr, second);
    Source* firstSource = first->getSource();
    Sound* third = pool.play(&loop, nullptr, &journal, 1);
    ASSERT_NE(nullptr, third);
    EXPECT_EQ(1, journal.done[0]);
    EXPECT_EQ(0, journal.done[1]);
    EXPECT_EQ(firstSource, third->getSource());
    EXPECT_EQ(AL_PLAYING, state(second));
    EXPECT_EQ(AL_PLAYING, state(third));
    EXPECT_EQ(2u, pool.active.size());
    EXPECT_EQ(2, pool.getSize());
}

TEST_F(SourcePoolAL, RefusedPlayLeavesThePlayingSoundsAlone) {
    SourcePool pool(2);
    Sound* a = pool.play(&loop, nullptr, nullptr, 5);
    Sound* b = pool.play(&loop, nullptr, nullptr, 5);
    LogCapture log;
    EXPECT_EQ(nullptr, pool.play(&tone, nullptr, nullptr, 4));
    EXPECT_NE(std::string::npos, log.text().find("(info) No source availabie, what to do??\n"));
    EXPECT_EQ(AL_PLAYING, state(a));
    EXPECT_EQ(AL_PLAYING, state(b));
    EXPECT_EQ(2u, pool.active.size());
    EXPECT_EQ(2, pool.getSize());
}

TEST_F(SourcePoolAL, MissingSampleOrMissingSourcesPlayNothing) {
    SourcePool empty(0);
    EXPECT_EQ(nullptr, empty.play(&tone));
    SourcePool pool(1);
    {
        LogCapture log;
        EXPECT_EQ(nullptr, pool.play(nullptr));
        EXPECT_NE(std::string::npos, log.text().find("(warning) Cannot play a sound without a "
                                                     "sample.\n"));
    }
    pool.resize(0);
    EXPECT_EQ(0, pool.getSize());
    EXPECT_EQ(nullptr, pool.play(&tone));
}

TEST_F(SourcePoolAL, FailedPlayGivesItsSourceBackFree) {
    SourcePool pool(1);
    Sound* playing = pool.play(&loop);
    Sample plain;
    EXPECT_THROW(pool.play(&plain), std::string);
    EXPECT_EQ(AL_PLAYING, state(playing)); // a bad sample class steals nothing

    StreamedSample missing;
    missing.filename = "/nonexistent/tune.ogg";
    try {
        pool.play(&missing, nullptr, &journal);
        ADD_FAILURE() << "play did not throw";
    } catch (std::string const& message) {
        EXPECT_EQ("Error loading file \"/nonexistent/tune.ogg\": Could not open file "
                  "\"/nonexistent/tune.ogg\".",
                  message);
    }
    EXPECT_EQ(1, journal.done[0]); // the half-made sound is gone
    EXPECT_TRUE(pool.active.empty());
    ASSERT_EQ(1, pool.getSize());
    EXPECT_NE(nullptr, pool.play(&tone, nullptr, nullptr, 0));
}

// Nobody performs the menu pool, so an ended sound still sits on its source.
TEST_F(SourcePoolAL, SoundThatHasEndedFreesItsSourceWithoutAPerform) {
    SourcePool pool(2);
    Sound* important = pool.play(&tone, nullptr, &journal, 5);
    Sound* background = pool.play(&loop, nullptr, &journal, 0);
    ASSERT_NE(nullptr, important);
    run(nullptr, 200);
    ASSERT_EQ(AL_STOPPED, state(important));
    Sound* next = pool.play(&tone, nullptr, &journal, 0);
    ASSERT_NE(nullptr, next);
    EXPECT_EQ(1, journal.done[0]);
    ASSERT_EQ(0, journal.done[1]);
    EXPECT_EQ(AL_PLAYING, state(background));
    EXPECT_NE(background->getSource(), next->getSource());
}

TEST_F(SourcePoolAL, EverySoundIsDeletedExactlyOnce) {
    SourcePool pool(3);
    Sound* stopped = pool.play(&loop, nullptr, &journal);
    pool.play(&tone, nullptr, &journal);
    Sound* stoppedTwice = pool.play(&loop, nullptr, &journal);
    stopped->stop();
    stoppedTwice->stop();
    stoppedTwice->stop();
    run(&pool, 50);
    EXPECT_EQ(1, journal.done[0]);
    EXPECT_EQ(1, journal.done[2]);
    run(&pool, 150);
    EXPECT_EQ(1, journal.done[1]); // ended by itself, found by perform
    pool.play(&loop, nullptr, &journal);
    pool.play(&loop, nullptr, &journal);
    pool.stopAll();
    EXPECT_EQ(1, journal.done[3]);
    EXPECT_EQ(1, journal.done[4]);
    EXPECT_TRUE(pool.active.empty());
    EXPECT_TRUE(pool.expired.empty());
    EXPECT_EQ(3, pool.getSize());
}

TEST_F(SourcePoolAL, GainPitchAndPositionReachTheSource) {
    SourcePool pool(1);
    pool.setVolume(0.5f);
    SoundProperties properties;
    properties.volume = 0.8f;
    properties.pitch = 1.5f;
    properties.setStereoPosition(-1.0f);
    Sound* sound = pool.play(&loop, &properties);
    ALuint source = sound->getSource()->alSource;
    ALfloat gain = 0, pitch = 0, position[3] = {};
    alGetSourcef(source, AL_GAIN, &gain);
    alGetSourcef(source, AL_PITCH, &pitch);
    alGetSourcefv(source, AL_POSITION, position);
    EXPECT_FLOAT_EQ(0.4f, gain);
    EXPECT_FLOAT_EQ(1.5f, pitch);
    EXPECT_FLOAT_EQ(-1.0f, position[0]);
    EXPECT_FLOAT_EQ(0.0f, position[2]);
    std::vector<int16_t> out;
    run(&pool, 100, &out);
    EXPECT_GT(audiotest::peak(audiotest::channel(out, 0)),
              4 * audiotest::peak(audiotest::channel(out, 1)));

    pool.setVolume(0.25f);
    alGetSourcef(source, AL_GAIN, &gain);
    EXPECT_FLOAT_EQ(0.4f, gain);
    pool.setPlayingVolumes(1.0f);
    alGetSourcef(source, AL_GAIN, &gain);
    EXPECT_FLOAT_EQ(0.8f, gain);
    sound->setVolume(0.5f);
    alGetSourcef(source, AL_GAIN, &gain);
    EXPECT_FLOAT_EQ(0.5f, gain);
}

TEST_F(SourcePoolAL, StreamedSoundPlaysItsWholeFileWithoutGapsAndEnds) {
    StreamedSample stream;
    stream.filename = dir.file("long.ogg");
    stream.bufferSize = 4096; // 46 ms, refilled many times
    SourcePool pool(1);
    ASSERT_NE(nullptr, pool.play(&stream, nullptr, &journal));
    std::vector<int16_t> out;
    run(&pool, 1300, &out);
    std::vector<int> left = audiotest::channel(out, 0);
    auto range = audiotest::soundingRange(left, 300);
    EXPECT_NEAR(44100.0, static_cast<double>(range.second - range.first), 30.0);
    EXPECT_LT(audiotest::longestQuiet(left, 300, range.first, range.second), 30u);
    EXPECT_EQ(1, journal.done[0]);
    EXPECT_LE(1, journal.streamed[0]);
    EXPECT_TRUE(pool.active.empty());
}

TEST_F(SourcePoolAL, ShortStreamQueuesOnlyTheBufferThatHoldsData) {
    StreamedSample stream;
    stream.filename = dir.file("tone.ogg");
    SourcePool pool(1);
    alGetError();
    Sound* sound = pool.play(&stream, nullptr, &journal);
    EXPECT_EQ(AL_NO_ERROR, alGetError());
    ALint queued = 0;
    alGetSourcei(sound->getSource()->alSource, AL_BUFFERS_QUEUED, &queued);
    EXPECT_EQ(1, queued);
    std::vector<int16_t> out;
    run(&pool, 300, &out);
    auto range = audiotest::soundingRange(audiotest::channel(out, 0), 300);
    EXPECT_NEAR(4410.0, static_cast<double>(range.second - range.first), 30.0);
    EXPECT_EQ(1, journal.done[0]);
}

TEST_F(SourcePoolAL, DecodingErrorEndsOnlyThatSound) {
    ASSERT_TRUE(audiotest::writeTone(dir.file("broken.ogg"), 1, 44100, 88200, 440));
    std::string bytes = testutil::readFile(dir.file("broken.ogg"));
    for (size_t i = bytes.size() / 2; i < bytes.size() / 2 + 64; ++i)
        bytes[i] = static_cast<char>(bytes[i] ^ 0x5a);
    dir.write("broken.ogg", bytes);
    StreamedSample broken;
    broken.filename = dir.file("broken.ogg");
    broken.bufferSize = 4096;
    SourcePool pool(2);
    Sound* music = pool.play(&loop, nullptr, &journal);
    pool.play(&broken, nullptr, &journal);
    LogCapture log;
    run(&pool, 1500);
    EXPECT_NE(std::string::npos, log.text().find("(error) Error loading file \"" + broken.filename +
                                                 "\": Could not decode Ogg stream: "));
    EXPECT_EQ(1, journal.done[1]);
    EXPECT_EQ(0, journal.done[0]);
    EXPECT_EQ(AL_PLAYING, state(music));
}

TEST_F(SourcePoolAL, DeletingThePoolWhileStreamingFreesTheBuffers) {
    StreamedSample stream;
    stream.filename = dir.file("long.ogg");
    stream.bufferSize = 4096;
    auto* pool = new SourcePool(1);
    auto* sound = static_cast<StreamedSound*>(pool->play(&stream));
    ALuint buffers[2] = {sound->buffers[0], sound->buffers[1]};
    run(pool, 100);
    alGetError();
    delete pool;
    EXPECT_EQ(AL_NO_ERROR, alGetError());
    EXPECT_FALSE(alIsBuffer(buffers[0]));
    EXPECT_FALSE(alIsBuffer(buffers[1]));
}
