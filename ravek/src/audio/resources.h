#ifndef RAVEK_AUDIO_RESOURCES_H
#define RAVEK_AUDIO_RESOURCES_H

#include "ravek/src/resources.h"

#include <AL/al.h>

#include <string>

namespace ravek {
namespace audio {

int const DEF_BUFFER_SIZE = 65536;

extern char const* const XML_SOUNDS_SAMPLES;
extern char const* const XML_SOUNDS_DIR;
extern char const* const XML_SOUNDS_SAMPLE;
extern char const* const XML_SOUNDS_STREAM;
extern char const* const XML_SOUNDS_NAME;
extern char const* const XML_SOUNDS_FILENAME;
extern char const* const XML_SOUNDS_VOLUME;
extern char const* const XML_SOUNDS_PITCH;
extern char const* const XML_SOUNDS_ROLLOFF;
extern char const* const XML_SOUNDS_LOOP;
extern char const* const XML_SOUNDS_PRIORITY;
extern char const* const XML_SOUNDS_BUFFERSIZE;

// How one sound plays: position (listener at the origin), gain, pitch and looping. `rolloff` is
// kept but never sent to OpenAL.
struct SoundProperties {
    float position[3];
    float volume;
    float rolloff;
    float pitch;
    bool loop;

    SoundProperties();
    // Left (-1) to right (1) in front of the listener; values outside are clamped.
    void setStereoPosition(float x);
};

class SampleBank;

// A named sound of a bank: its file, its priority and the default properties of its sounds.
// Owned by its bank; deleting it removes it from the bank.
class Sample : public NamedResource<SampleBank, std::string> {
public:
    std::string filename;
    int priority;
    SoundProperties properties;

    Sample();
    Sample(xml::Node const* node, std::string const& dir);
    ~Sample() override;
    // Reads the attributes of a "sample" or "stream" element; throws std::string when
    // "filename" is missing.
    virtual void getFromNode(xml::Node const* node, std::string const& dir);
    virtual void reload() {}
    virtual void refresh() {}
    virtual void release() {}
};

// A sample decoded whole into one OpenAL buffer by refresh() or reload(). A file that cannot be
// read is thrown as "Error loading file ..." and leaves an empty buffer behind, so only
// reload() tries again.
class CachedSample : public Sample {
public:
    ALuint buffer;
    ALenum format;
    int size;
    int frequency;

    CachedSample();
    CachedSample(xml::Node const* node, std::string const& dir);
    ~CachedSample() override;
    void getFromNode(xml::Node const* node, std::string const& dir) override;
    void reload() override;
    void refresh() override;
    void release() override;
    void load();
};

// A sample decoded piece by piece while it plays, in buffers of `bufferSize` bytes.
class StreamedSample : public Sample {
public:
    int bufferSize;

    StreamedSample();
    StreamedSample(xml::Node const* node, std::string const& dir);
    // Also reads "bufferSize"; a size that is not a positive multiple of 4 is corrected with a
    // warning.
    void getFromNode(xml::Node const* node, std::string const& dir) override;
};

// The samples of one "samples" description, owned by name. Reading stops at the first sample
// that throws; the samples read before it stay.
class SampleBank : public NamedResourceBank<Sample> {
public:
    ~SampleBank() override;
    void getFromNode(xml::Node const* node, std::string const& dir) override;
    using BasicResourceBank::load;
    // Reads a standalone description whose root is "samples"; XML errors pass through.
    void load(std::string const& file);
    // Each calls the same operation of every sample in name order; the first error ends it.
    void release();
    void refresh();
    void reload();
};

// Makes sample banks for the bank type "samples".
class AudioResourceBankGenerator : public ResourceBankGenerator {
public:
    BasicResourceBank* generateBank(std::string const& type) const override;
};

extern AudioResourceBankGenerator resourceBankGenerator;

} // namespace audio
} // namespace ravek

#endif
