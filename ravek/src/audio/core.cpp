#include "ravek/src/audio/core.h"

#include "ravek/src/audio/resources.h"
#include "ravek/src/debug.h"

namespace ravek {
namespace audio {

bool enabled = true;
ALCdevice* device = nullptr;
Context* context = nullptr;

AudioResourceBankGenerator resourceBankGenerator;

void init(std::string const& deviceName, int frequency) {
    // An earlier context object is left alone; only the global forgets it.
    context = nullptr;
    if (enabled) {
        alcGetError(nullptr);
        device = alcOpenDevice(deviceName.empty() ? nullptr : deviceName.c_str());
        if (!device)
            throw getALCErrorString(alcGetError(nullptr));
        debug::debug(dbgAudio, "Initialized OpenAL device \"%s\".",
                     alcGetString(device, ALC_DEVICE_SPECIFIER));
    }
    new Context(frequency);
}

Context::Context(int frequency) : alcContext(nullptr) {
    if (context)
        throw std::string("Cannot create more than one audio context.");
    ALCint attributes[] = {ALC_FREQUENCY, frequency, 0};
    if (enabled) {
        alcGetError(device);
        alcContext = alcCreateContext(device, attributes);
        if (!alcContext)
            throw getALCErrorString(alcGetError(device));
        alcGetError(device);
        alcMakeContextCurrent(alcContext);
        ALCenum error = alcGetError(device);
        if (error != ALC_NO_ERROR)
            debug::warning(dbgAudio, "%s", getALCErrorString(error).c_str());
    }
    context = this;
    ALfloat const position[] = {0.0f, 0.0f, 0.0f};
    ALfloat const orientation[] = {0.0f, 0.0f, -1.0f, 0.0f, 1.0f, 0.0f};
    alListenerfv(AL_POSITION, position);
    alListenerfv(AL_ORIENTATION, orientation);
}

Context::~Context() {
    if (!alcContext)
        return;
    if (alcGetCurrentContext() == alcContext)
        alcMakeContextCurrent(nullptr);
    alcDestroyContext(alcContext);
}

void cleanUp() {
    delete context;
    context = nullptr;
    if (device)
        alcCloseDevice(device);
    device = nullptr;
}

std::string getALCErrorString(int code) {
    switch (code) {
    case ALC_NO_ERROR:
        return "AL_NO_ERROR";
    case ALC_INVALID_DEVICE:
        return "ALC_INVALID_DEVICE";
    case ALC_INVALID_CONTEXT:
        return "ALC_INVALID_CONTEXT";
    case ALC_INVALID_ENUM:
        return "ALC_INVALID_ENUM";
    case ALC_INVALID_VALUE:
        return "ALC_INVALID_VALUE";
    case ALC_OUT_OF_MEMORY:
        return "ALC_OUT_OF_MEMORY";
    default:
        return "(Unknown ALC error)";
    }
}

std::string getALErrorString(int code) {
    switch (code) {
    case AL_NO_ERROR:
        return "AL_NO_ERROR";
    case AL_INVALID_NAME:
        return "AL_INVALID_NAME";
    case AL_INVALID_VALUE:
        return "AL_INVALID_VALUE";
    case AL_OUT_OF_MEMORY:
        return "AL_OUT_OF_MEMORY";
    default:
        return "(Unknown AL error)";
    }
}

} // namespace audio
} // namespace ravek
