#ifndef RAVEK_AUDIO_CORE_H
#define RAVEK_AUDIO_CORE_H

#include <AL/al.h>
#include <AL/alc.h>

#include <string>

namespace ravek {
namespace audio {

// The one OpenAL context of the process, made current at construction with the listener at the
// origin looking down -z. Its constructor stores it in `context`; a second one while that is
// set, or a failed context creation, throws the error text as std::string.
class Context {
public:
    ALCcontext* alcContext;

    explicit Context(int frequency);
    ~Context();
    Context(Context const&) = delete;
    Context& operator=(Context const&) = delete;
    void perform(float) {}
};

// When false no device or OpenAL context is opened and cached samples make no buffers.
extern bool enabled;
extern ALCdevice* device;
extern Context* context;

// Opens the device (an empty name is OpenAL's default) and creates the context at `frequency`.
// Throws the ALC error name as std::string when either fails.
void init(std::string const& deviceName, int frequency);
// Deletes the context and closes the device; nothing that plays may be left.
void cleanUp();

std::string getALCErrorString(int code);
std::string getALErrorString(int code);

} // namespace audio
} // namespace ravek

#endif
