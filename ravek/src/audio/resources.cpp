#include "ravek/src/audio/resources.h"

#include "ravek/src/audio/core.h"
#include "ravek/src/audio/loaders.h"
#include "ravek/src/debug.h"
#include "ravek/src/xml.h"

#include <cmath>
#include <memory>

namespace ravek {
namespace audio {

char const* const XML_SOUNDS_SAMPLES = "samples";
char const* const XML_SOUNDS_DIR = "dir";
char const* const XML_SOUNDS_SAMPLE = "sample";
char const* const XML_SOUNDS_STREAM = "stream";
char const* const XML_SOUNDS_NAME = "name";
char const* const XML_SOUNDS_FILENAME = "filename";
char const* const XML_SOUNDS_VOLUME = "volume";
char const* const XML_SOUNDS_PITCH = "pitch";
char const* const XML_SOUNDS_ROLLOFF = "rolloff";
char const* const XML_SOUNDS_LOOP = "loop";
char const* const XML_SOUNDS_PRIORITY = "priority";
char const* const XML_SOUNDS_BUFFERSIZE = "bufferSize";

// The smallest buffer a corrected "bufferSize" gets; smaller buffers play out between ticks.
static int const MIN_CORRECTED_BUFFER_SIZE = 4096;

SoundProperties::SoundProperties()
    : position{0.0f, 0.0f, 0.0f}, volume(1.0f), rolloff(1.0f), pitch(1.0f), loop(false) {}

void SoundProperties::setStereoPosition(float x) {
    if (x < -1.0f)
        x = -1.0f;
    if (x > 1.0f)
        x = 1.0f;
    position[0] = x;
    position[2] = 1.0f - std::fabs(x);
}

Sample::Sample() : priority(0) {}

Sample::Sample(xml::Node const* node, std::string const& dir) : Sample() {
    Sample::getFromNode(node, dir);
}

Sample::~Sample() {}

void Sample::getFromNode(xml::Node const* node, std::string const& dir) {
    std::string const* nameAttribute = node->getAttribute(XML_SOUNDS_NAME);
    std::string const* file = node->getAttribute(XML_SOUNDS_FILENAME);
    std::string newName;
    if (nameAttribute) {
        newName = *nameAttribute;
    } else {
        debug::warning(dbgImages, "No name specified for sound. Using filename.");
        if (file)
            newName = *file;
    }
    if (!file)
        throw "No filename specified for sound \"" + newName + "\".";
    name = newName;
    filename = dir + *file;
    properties.volume = node->getAttributeFloat(XML_SOUNDS_VOLUME, properties.volume);
    properties.pitch = node->getAttributeFloat(XML_SOUNDS_PITCH, properties.pitch);
    properties.rolloff = node->getAttributeFloat(XML_SOUNDS_ROLLOFF, properties.rolloff);
    properties.loop = node->getAttributeBool(XML_SOUNDS_LOOP, properties.loop);
    priority = static_cast<int>(node->getAttributeLong(XML_SOUNDS_PRIORITY, priority));
}

CachedSample::CachedSample() : buffer(0), format(0), size(0), frequency(0) {}

CachedSample::CachedSample(xml::Node const* node, std::string const& dir) : CachedSample() {
    CachedSample::getFromNode(node, dir);
}

CachedSample::~CachedSample() {
    release();
}

void CachedSample::getFromNode(xml::Node const* node, std::string const& dir) {
    Sample::getFromNode(node, dir);
}

void CachedSample::reload() {
    release();
    load();
}

void CachedSample::refresh() {
    if (buffer != 0)
        return;
    debug::debug(dbgAudio, "Refreshing sound \"%s\"...", name.c_str());
    reload();
}

void CachedSample::release() {
    if (buffer != 0)
        alDeleteBuffers(1, &buffer);
    buffer = 0;
}

void CachedSample::load() {
    if (!enabled)
        return;
    alGetError();
    alGenBuffers(1, &buffer);
    if (buffer == 0)
        throw "Could not create OpenAL buffer for \"" + name +
            "\": " + getALErrorString(alGetError()) + ".";
    std::unique_ptr<FileLoader> loader;
    try {
        loader.reset(getFileLoader(filename));
        // Upload what was really decoded; the length in the file's header is only a promise.
        int got = loader->getSize();
        char const* data = loader->read(&got, false);
        alBufferData(buffer, loader->getFormat(), data, got, loader->getFrequency());
        format = loader->getFormat();
        frequency = loader->getFrequency();
        size = got;
    } catch (std::string const& message) {
        throw "Error loading file \"" + filename + "\": " + message;
    }
    debug::debug(dbgAudio,
                 "Loaded \"%s\" as sound \"%s\" (#%d), format: %s, size: %d, frequency: %d.",
                 filename.c_str(), name.c_str(), static_cast<int>(buffer),
                 format == AL_FORMAT_MONO16 ? "mono" : "stereo", size, frequency);
}

StreamedSample::StreamedSample() : bufferSize(DEF_BUFFER_SIZE) {}

StreamedSample::StreamedSample(xml::Node const* node, std::string const& dir) : StreamedSample() {
    StreamedSample::getFromNode(node, dir);
}

void StreamedSample::getFromNode(xml::Node const* node, std::string const& dir) {
    Sample::getFromNode(node, dir);
    long wanted = node->getAttributeLong(XML_SOUNDS_BUFFERSIZE, DEF_BUFFER_SIZE);
    // A buffer must hold whole frames of stereo 16-bit sound and be big enough to stream.
    if (wanted <= 0 || wanted % 4 != 0 || wanted > MAX_STREAM_SIZE) {
        long corrected = wanted > MAX_STREAM_SIZE ? MAX_STREAM_SIZE : wanted - wanted % 4;
        if (corrected < MIN_CORRECTED_BUFFER_SIZE)
            corrected = MIN_CORRECTED_BUFFER_SIZE;
        debug::warning(dbgAudio, "Invalid buffer size %ld for stream \"%s\"; using %ld.", wanted,
                       name.c_str(), corrected);
        wanted = corrected;
    }
    bufferSize = static_cast<int>(wanted);
}

SampleBank::~SampleBank() {
    debug::debug(dbgAudio, "Freeing sample bank %p.", static_cast<void*>(this));
    clearResources();
}

void SampleBank::getFromNode(xml::Node const* node, std::string const& dir) {
    for (xml::Node const* child : node->children) {
        bool cached = child->name == XML_SOUNDS_SAMPLE;
        if (!cached && child->name != XML_SOUNDS_STREAM)
            continue;
        std::unique_ptr<Sample> sample;
        if (cached)
            sample.reset(new CachedSample);
        else
            sample.reset(new StreamedSample);
        sample->getFromNode(child, dir);
        auto old = resources.find(sample->name);
        if (old != resources.end())
            delete old->second;
        Sample* added = sample.release();
        resources[added->name] = added;
        added->bank = this;
        debug::debug(dbgAudio,
                     cached ? "Added cached sample \"%s\" (%p)."
                            : "Added streamed sample \"%s\" (%p).",
                     added->name.c_str(), static_cast<void*>(added));
    }
}

void SampleBank::load(std::string const& file) {
    std::string directory;
    size_t slash = file.rfind('/');
    if (slash != std::string::npos)
        directory = file.substr(0, slash + 1);
    std::unique_ptr<xml::Node> root(xml::loadXML(file));
    if (!root || root->name != XML_SOUNDS_SAMPLES)
        return;
    directory += root->getAttribute(XML_SOUNDS_DIR, "");
    getFromNode(root.get(), directory);
}

void SampleBank::release() {
    for (auto& entry : resources)
        entry.second->release();
}

void SampleBank::refresh() {
    for (auto& entry : resources)
        entry.second->refresh();
}

void SampleBank::reload() {
    for (auto& entry : resources)
        entry.second->reload();
}

BasicResourceBank* AudioResourceBankGenerator::generateBank(std::string const& type) const {
    if (type == XML_SOUNDS_SAMPLES)
        return new SampleBank;
    return nullptr;
}

} // namespace audio
} // namespace ravek
