#include "ravek/src/audio/core.h"
#include "ravek/src/audio/music.h"

#include "ravek/tests/audio/audio_util.h"
#include "ravek/tests/test_util.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <thread>

using namespace ravek::audio;
using testutil::LogCapture;
using testutil::TempDir;

namespace {

int const RATE = 44100;
int const QUIET = 300; // well below the tones' level after mixing

// Tracks on a loopback device. The manager's own thread is ended at once and the test ticks
// it itself after every 10 ms of mixed sound, so every run hears the same.
class MusicAL : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(loopback.ok());
        manager.reset(new MusicManager);
        manager->terminate();
    }
    void TearDown() override { manager.reset(); }

    StreamedSample* track(std::string const& name, long frames, double hz, int bufferSize = 8192,
                          bool loop = false) {
        auto* sample = new StreamedSample;
        sample->name = name;
        sample->filename = dir.file(name + ".ogg");
        sample->bufferSize = bufferSize;
        sample->properties.loop = loop;
        EXPECT_TRUE(audiotest::writeTone(sample->filename, 1, RATE, frames, hz));
        tracks.emplace_back(sample);
        return sample;
    }
    void run(int ms) {
        for (int t = 0; t < ms; t += 10) {
            loopback.render(RATE / 100, out);
            manager->perform(10);
        }
    }
    std::vector<int> left() const { return audiotest::channel(out, 0); }
    ALint sourceInt(ALenum what) {
        ALint value = 0;
        alGetSourcei(manager->alSource, what, &value);
        return value;
    }

    audiotest::Loopback loopback;
    TempDir dir;
    std::vector<std::unique_ptr<StreamedSample>> tracks;
    std::unique_ptr<MusicManager> manager;
    std::vector<int16_t> out;
};

} // namespace

TEST_F(MusicAL, SecondTrackFollowsTheFirstWithoutAGap) {
    manager->addAsLast(track("a", RATE / 2, 440));
    manager->addAsLast(track("b", RATE / 2, 880));
    manager->play();
    run(1300);
    std::vector<int> samples = left();
    auto range = audiotest::soundingRange(samples, QUIET);
    EXPECT_NEAR(RATE, static_cast<double>(range.second - range.first), 30.0);
    EXPECT_LT(audiotest::longestQuiet(samples, QUIET, range.first, range.second), 90u); // 2 ms
    size_t start = range.first;
    EXPECT_NEAR(440.0, audiotest::frequency(samples, RATE, start + 2000, start + 20000), 10.0);
    EXPECT_NEAR(880.0, audiotest::frequency(samples, RATE, start + 24000, start + 42000), 10.0);
    // Ended by itself: still "playing" until the next skip.
    EXPECT_TRUE(manager->isPlaying());
    manager->skipToNext();
    EXPECT_FALSE(manager->isPlaying());
}

// Each track fits into one buffer: none may be heard twice.
TEST_F(MusicAL, TracksShorterThanABufferEachPlayOnceAndHandOverAtOnce) {
    manager->addAsLast(track("a", 3000, 440));
    manager->addAsLast(track("b", 3000, 880));
    manager->addAsLast(track("c", 3000, 440));
    manager->addAsLast(track("d", 9000, 660));
    manager->play();
    run(800);
    std::vector<int> samples = left();
    auto range = audiotest::soundingRange(samples, QUIET);
    // Only one track waits behind the current one, so a pause of up to one tick is allowed.
    EXPECT_NEAR(18000.0, static_cast<double>(audiotest::heardLength(samples, QUIET)), 30.0);
    EXPECT_LT(audiotest::longestQuiet(samples, QUIET, range.first, range.second), 441u + 90u);
    EXPECT_NEAR(660.0, audiotest::frequency(samples, RATE, range.second - 8000, range.second),
                15.0);
}

// Two buffers play out between two ticks here, so the source runs dry again and again.
TEST_F(MusicAL, UnderrunRefillsEveryPlayedBufferBeforeRestarting) {
    manager->addAsLast(track("a", RATE / 2, 440, 4096));
    manager->play();
    for (int i = 0; i < 30; ++i) {
        loopback.render(RATE / 10, out);
        manager->perform(100);
    }
    std::vector<int> samples = left();
    EXPECT_NEAR(RATE / 2.0, static_cast<double>(audiotest::heardLength(samples, QUIET)), 30.0);
}

TEST_F(MusicAL, FadeReachesSilenceOnTimeAndTheNextPlayIsAtFullVolume) {
    StreamedSample* tune = track("tune", RATE, 440, 8192, true);
    manager->setVolume(0.8f);
    manager->addAsLast(tune);
    manager->play();
    run(200);
    int full = audiotest::peak(left(), out.size() / 2 - 4410);
    manager->setCurrentVolume(0.5f);
    manager->fadeOut(2000); // 0.5 of the gain fades in 1000 ms
    size_t fadeStart = out.size() / 2;
    run(500);
    EXPECT_TRUE(manager->isPlaying());
    std::vector<int> samples = left();
    EXPECT_NEAR(0.25 * full / 0.8, audiotest::peak(samples, samples.size() - 441), full * 0.05);
    run(490);
    EXPECT_TRUE(manager->isPlaying());
    run(20);
    EXPECT_FALSE(manager->isPlaying());
    EXPECT_FLOAT_EQ(0.8f, manager->currentVolume);
    size_t silentFrom = out.size() / 2;
    run(100);
    samples = left();
    EXPECT_LT(audiotest::peak(samples, silentFrom), QUIET / 10); // the mixer's declicking tail
    EXPECT_GT(audiotest::peak(samples, fadeStart + 44000, fadeStart + 44100), 0);

    manager->addAsLast(tune);
    manager->play();
    ALfloat gain = 0;
    alGetSourcef(manager->alSource, AL_GAIN, &gain);
    EXPECT_FLOAT_EQ(0.8f, gain);
    size_t again = out.size() / 2;
    run(200);
    EXPECT_NEAR(full, audiotest::peak(left(), again), full * 0.05);
}

TEST_F(MusicAL, VolumeWaitsForThePlayWhileCurrentVolumeActsAtOnce) {
    manager->addAsLast(track("a", RATE, 440));
    manager->play();
    manager->setVolume(0.3f);
    ALfloat gain = 0;
    alGetSourcef(manager->alSource, AL_GAIN, &gain);
    EXPECT_FLOAT_EQ(1.0f, gain);
    manager->setCurrentVolume(0.3f);
    alGetSourcef(manager->alSource, AL_GAIN, &gain);
    EXPECT_FLOAT_EQ(0.3f, gain);
}

TEST_F(MusicAL, EmptyQueueOrMissingTrackLeavesTheManagerStopped) {
    manager->play();
    EXPECT_FALSE(manager->isPlaying());
    {
        LogCapture log;
        manager->addAsLast(nullptr);
        manager->addAsNext(nullptr);
        EXPECT_NE(std::string::npos,
                  log.text().find("(warning) Cannot queue a missing music track.\n"));
    }
    EXPECT_TRUE(manager->queue.empty());
    StreamedSample missing;
    missing.filename = "/nonexistent/tune.ogg";
    manager->addAsLast(&missing);
    try {
        manager->play();
        ADD_FAILURE() << "play did not throw";
    } catch (std::string const& message) {
        EXPECT_EQ("Error streaming music \"/nonexistent/tune.ogg\": Could not open file "
                  "\"/nonexistent/tune.ogg\".",
                  message);
    }
    EXPECT_FALSE(manager->isPlaying());
    EXPECT_EQ(nullptr, manager->current);
}

TEST_F(MusicAL, PlayWhileATrackIsCurrentReplacesIt) {
    manager->addAsLast(track("a", RATE, 440));
    manager->play();
    run(100);
    StreamedSample* b = track("b", RATE, 880);
    manager->addAsLast(b);
    manager->play();
    ASSERT_NE(nullptr, manager->current);
    EXPECT_EQ(b, manager->current->sample);
    EXPECT_EQ(2, sourceInt(AL_BUFFERS_QUEUED));
    size_t from = out.size() / 2;
    run(300);
    std::vector<int> samples = left();
    EXPECT_NEAR(880.0, audiotest::frequency(samples, RATE, from + 2000, from + 12000), 10.0);
}

TEST_F(MusicAL, LoopingTrackNeverEndsButSkipMovesOn) {
    manager->addAsLast(track("loop", 4000, 440, 4096, true));
    StreamedSample* after = track("after", RATE, 880);
    manager->addAsLast(after);
    manager->play();
    run(1000);
    std::vector<int> samples = left();
    auto range = audiotest::soundingRange(samples, QUIET);
    EXPECT_EQ(samples.size(), range.second);
    EXPECT_LT(audiotest::longestQuiet(samples, QUIET, range.first, range.second), 90u);
    EXPECT_EQ(1u, manager->queue.size());
    manager->skipToNext();
    EXPECT_EQ(after, manager->current->sample);
    EXPECT_TRUE(manager->queue.empty());
}

TEST_F(MusicAL, SkipToLastDropsEveryQueuedTrackButTheLast) {
    manager->addAsLast(track("a", RATE, 440));
    manager->addAsLast(track("b", RATE, 440));
    StreamedSample* c = track("c", RATE, 440);
    manager->addAsLast(c);
    manager->skipToLast();
    EXPECT_EQ(c, manager->current->sample);
    EXPECT_TRUE(manager->queue.empty());
    EXPECT_TRUE(manager->isPlaying());
}

// The thread meets these; they are logged and the music goes on with the following track.
TEST_F(MusicAL, BrokenOrMissingNextTrackIsSkipped) {
    StreamedSample* broken = track("broken", 2 * RATE, 440, 4096);
    std::string bytes = testutil::readFile(broken->filename);
    for (size_t i = bytes.size() / 2; i < bytes.size() / 2 + 64; ++i)
        bytes[i] = static_cast<char>(bytes[i] ^ 0x5a);
    dir.write("broken.ogg", bytes);
    StreamedSample missing;
    missing.filename = "/nonexistent/tune.ogg";
    manager->addAsLast(track("a", RATE / 4, 440));
    manager->addAsLast(&missing);
    StreamedSample* empty = track("empty", 0, 440);
    manager->addAsLast(empty);
    manager->addAsLast(broken);
    manager->addAsLast(track("c", RATE / 2, 880));
    manager->play();
    LogCapture log;
    run(2000);
    std::string text = log.text();
    EXPECT_NE(std::string::npos, text.find("(error) Error streaming music "
                                           "\"/nonexistent/tune.ogg\": Could not open file"));
    EXPECT_NE(std::string::npos, text.find("(error) Error streaming music \"" + broken->filename +
                                           "\": Could not decode Ogg stream: "));
    EXPECT_NE(std::string::npos,
              text.find("(warning) Music \"" + empty->filename + "\" holds no sound.\n"));
    std::vector<int> samples = left();
    auto range = audiotest::soundingRange(samples, QUIET);
    EXPECT_NEAR(880.0, audiotest::frequency(samples, RATE, range.second - 20000, range.second),
                10.0);
    EXPECT_TRUE(manager->queue.empty());
}

// The manager's own thread streams in real time while the device mixes at the same pace.
TEST(MusicThreadAL, ThreadStreamsTheQueueOnItsOwn) {
    audiotest::Loopback loopback;
    ASSERT_TRUE(loopback.ok());
    TempDir dir;
    StreamedSample a, b;
    a.filename = dir.file("a.ogg");
    b.filename = dir.file("b.ogg");
    a.bufferSize = b.bufferSize = 16384; // 186 ms: each track needs the thread to refill it
    ASSERT_TRUE(audiotest::writeTone(a.filename, 1, RATE, RATE / 2, 440));
    ASSERT_TRUE(audiotest::writeTone(b.filename, 1, RATE, RATE / 2, 880));
    std::vector<int16_t> out;
    {
        MusicManager manager;
        manager.addAsLast(&a);
        manager.addAsLast(&b);
        manager.play();
        auto start = std::chrono::steady_clock::now();
        for (int i = 1; i <= 150; ++i) {
            loopback.render(RATE / 100, out);
            std::this_thread::sleep_until(start + std::chrono::milliseconds(10 * i));
        }
        EXPECT_TRUE(manager.isPlaying());
        EXPECT_EQ(nullptr, manager.next);
        ASSERT_NE(nullptr, manager.current);
        EXPECT_EQ(&b, manager.current->sample);
    }
    std::vector<int> samples = audiotest::channel(out, 0);
    auto range = audiotest::soundingRange(samples, QUIET);
    EXPECT_NEAR(880.0, audiotest::frequency(samples, RATE, range.second - 10000, range.second),
                10.0);
}

// Run under ThreadSanitizer by the test command: everything the main thread may do while the
// music thread streams on OpenAL's real-time null output.
TEST(MusicStressAL, MainThreadChangesEverythingWhileTheThreadStreams) {
    setenv("ALSOFT_DRIVERS", "null", 0);
    ASSERT_NO_THROW(init("", RATE));
    TempDir dir;
    std::vector<std::unique_ptr<StreamedSample>> tracks;
    // Tracks end within a tick or two, so the thread hands over to the queue all the time.
    for (int i = 0; i < 4; ++i) {
        tracks.emplace_back(new StreamedSample);
        tracks.back()->filename = dir.file("t" + std::to_string(i) + ".ogg");
        tracks.back()->bufferSize = 4096;
        tracks.back()->properties.loop = i == 3;
        ASSERT_TRUE(audiotest::writeTone(tracks.back()->filename, 1 + i % 2, RATE, 1000 * (i + 1),
                                         440 + 110 * i));
    }
    std::mt19937 random(6);
    auto* manager = new MusicManager;
    // A count, not a time: a busy machine takes longer over the same interleavings.
    for (int operations = 0; operations < 2000; ++operations) {
        unsigned int choice = random() % 20;
        if (choice == 0)
            manager->skipToNext();
        else if (choice <= 6)
            manager->addAsLast(tracks[random() % tracks.size()].get());
        else if (choice <= 8)
            manager->clearQueue();
        else if (choice == 9)
            manager->fadeOut(100 + random() % 500);
        else if (choice <= 12)
            manager->setCurrentVolume((random() % 100) / 100.0f);
        else if (!manager->isPlaying())
            manager->play();
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
    }
    delete manager;
    cleanUp();
}
