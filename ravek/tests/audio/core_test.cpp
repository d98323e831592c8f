#include "ravek/src/audio/core.h"

#include "ravek/tests/test_util.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace ravek::audio;

TEST(AudioErrors, TablesNameOnlyTheirOwnCodes) {
    EXPECT_EQ("AL_NO_ERROR", getALCErrorString(0));
    EXPECT_EQ("AL_NO_ERROR", getALErrorString(0));
    EXPECT_EQ("ALC_INVALID_VALUE", getALCErrorString(0xA004));
    EXPECT_EQ("(Unknown AL error)", getALErrorString(0xA004));
    EXPECT_EQ("(Unknown AL error)", getALErrorString(0xA002));
    EXPECT_EQ("AL_INVALID_VALUE", getALErrorString(0xA003));
    EXPECT_EQ("ALC_OUT_OF_MEMORY", getALCErrorString(0xA005));
    EXPECT_EQ("(Unknown ALC error)", getALCErrorString(0xA006));
}

// OpenAL's null output stands in for the sound card.
class AudioCoreAL : public ::testing::Test {
protected:
    void SetUp() override { setenv("ALSOFT_DRIVERS", "null", 0); }
    void TearDown() override {
        cleanUp();
        enabled = true;
    }
};

TEST_F(AudioCoreAL, InitOpensTheDefaultDeviceAndMakesTheContextCurrent) {
    ASSERT_NO_THROW(init("", 44100));
    ASSERT_NE(nullptr, device);
    ASSERT_NE(nullptr, context);
    EXPECT_EQ(context->alcContext, alcGetCurrentContext());
    ALCint frequency = 0;
    alcGetIntegerv(device, ALC_FREQUENCY, 1, &frequency);
    EXPECT_EQ(44100, frequency);
    ALfloat orientation[6] = {};
    alGetListenerfv(AL_ORIENTATION, orientation);
    EXPECT_FLOAT_EQ(-1.0f, orientation[2]);
    EXPECT_FLOAT_EQ(1.0f, orientation[4]);
    EXPECT_THROW(
        {
            try {
                Context second(44100);
            } catch (std::string const& message) {
                EXPECT_EQ("Cannot create more than one audio context.", message);
                throw;
            }
        },
        std::string);
    cleanUp();
    EXPECT_EQ(nullptr, device);
    EXPECT_EQ(nullptr, context);
}

TEST_F(AudioCoreAL, DeviceNameIsPassedAsGiven) {
    EXPECT_NO_THROW(init("No Output", 22050)); // the null output's own name
    cleanUp();
    try {
        init("No such device", 44100);
        ADD_FAILURE() << "init did not throw";
    } catch (std::string const& message) {
        EXPECT_EQ("ALC_INVALID_VALUE", message);
    }
}

TEST_F(AudioCoreAL, SecondInitOpensAFurtherDeviceAndLeavesTheFirstOpen) {
    init("", 44100);
    ALCdevice* firstDevice = device;
    Context* first = context;
    ASSERT_NO_THROW(init("", 44100));
    EXPECT_NE(firstDevice, device);
    EXPECT_NE(first, context);
    EXPECT_EQ(context->alcContext, alcGetCurrentContext());
    delete first;
    alcCloseDevice(firstDevice);
}

TEST_F(AudioCoreAL, DisabledAudioOpensNothingButStillMakesTheContextObject) {
    enabled = false;
    ASSERT_NO_THROW(init("", 44100));
    EXPECT_EQ(nullptr, device);
    ASSERT_NE(nullptr, context);
    EXPECT_EQ(nullptr, context->alcContext);
}
