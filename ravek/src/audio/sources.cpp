#include "ravek/src/audio/sources.h"

#include "ravek/src/audio/core.h"
#include "ravek/src/audio/loaders.h"
#include "ravek/src/debug.h"

#include <algorithm>
#include <memory>
#include <new>
#include <string>

namespace ravek {
namespace audio {

Source::Source(SourcePool* pool, ALuint alSource)
    : pool(pool), state(0), priority(0), sound(nullptr), sequence(0), alSource(alSource) {}

Source::~Source() {
    delete sound;
    sound = nullptr;
    if (alSource != 0)
        alDeleteSources(1, &alSource);
}

bool Source::operator<(Source const& other) const {
    if (sequence == 0)
        return false;
    if (other.sequence == 0)
        return true;
    if (priority != other.priority)
        return priority > other.priority;
    return sequence > other.sequence;
}

SourcePool::SourcePool(int count) : playCounter(0), volume(1.0f) {
    if (count > 0)
        resize(static_cast<unsigned int>(count));
}

SourcePool::~SourcePool() {
    deleteExpiredSounds();
    while (!heap.empty()) {
        Source* source = heap.top();
        heap.pop();
        delete source;
    }
}

void SourcePool::resize(unsigned int count) {
    while (!heap.empty()) {
        Source* source = heap.top();
        heap.pop();
        delete source;
    }
    std::unique_ptr<ALuint[]> names(new (std::nothrow) ALuint[count > 0 ? count : 1]());
    if (!names)
        throw std::string("Could not create source name array.");
    alGetError();
    alGenSources(static_cast<ALsizei>(count), names.get());
    ALenum error = alGetError();
    if (error != AL_NO_ERROR)
        debug::error(dbgAudio, "Could not create %u sources: %s", count,
                     getALErrorString(error).c_str());
    for (unsigned int i = 0; i < count; ++i)
        if (names[i] != 0)
            heap.push(new Source(this, names[i]));
}

Sound* SourcePool::play(Sample* sample, SoundProperties const* properties, SoundHandler* handler,
                        int priority) {
    if (!sample) {
        debug::warning(dbgAudio, "Cannot play a sound without a sample.");
        return nullptr;
    }
    if (priority < 0)
        priority = sample->priority;
    // The class is checked before a source is taken, so a bad sample stops no playing sound.
    CachedSample const* cached = dynamic_cast<CachedSample const*>(sample);
    StreamedSample const* streamed = dynamic_cast<StreamedSample const*>(sample);
    if (!cached && !streamed)
        throw std::string("Unknown sample class.");
    Source* source = requestSource(priority);
    if (!source)
        return nullptr;
    Sound* sound = nullptr;
    try {
        if (cached)
            sound = new CachedSound(this, cached, handler);
        else
            sound = new StreamedSound(this, streamed, handler);
    } catch (...) {
        heap.push(source);
        throw;
    }
    source->sound = sound;
    if (++playCounter == 0)
        ++playCounter; // 0 marks a free source
    source->sequence = playCounter;
    source->priority = priority;
    sound->source = source;
    sound->properties = properties ? *properties : sample->properties;
    heap.push(source);
    sound->play();
    return sound;
}

Source* SourcePool::requestSource(int priority) {
    if (heap.empty())
        return nullptr;
    if (heap.top()->sequence != 0)
        reclaimEndedSounds();
    Source* top = heap.top();
    if (top->sound && top->priority > priority) {
        debug::info(dbgAudio, "No source availabie, what to do??");
        return nullptr;
    }
    heap.pop();
    if (Sound* stolen = top->sound) {
        alSourceStop(top->alSource);
        alSourcei(top->alSource, AL_BUFFER, 0);
        delete stolen;
        top->sound = nullptr;
    }
    top->sequence = 0;
    return top;
}

// Nobody performs some pools, so a sound that has ended may still hold its source; such
// sources become free before anything is stolen.
void SourcePool::reclaimEndedSounds() {
    std::vector<Source*> sources;
    sources.reserve(heap.size());
    while (!heap.empty()) {
        sources.push_back(heap.top());
        heap.pop();
    }
    for (Source* source : sources) {
        if (source->sequence != 0 && (!source->sound || hasEnded(source->sound))) {
            delete source->sound;
            source->sound = nullptr;
            source->sequence = 0;
        }
        heap.push(source);
    }
}

bool SourcePool::hasEnded(Sound const* sound) const {
    if (isExpired(sound))
        return true;
    if (!sound->source)
        return false;
    ALint state = 0;
    alGetSourcei(sound->source->alSource, AL_SOURCE_STATE, &state);
    if (state != AL_STOPPED)
        return false;
    // A stream that stopped before its end has run dry and is restarted by perform.
    StreamedSound const* streamed = dynamic_cast<StreamedSound const*>(sound);
    return !streamed || streamed->ended;
}

bool SourcePool::isExpired(Sound const* sound) const {
    return std::find(expired.begin(), expired.end(), sound) != expired.end();
}

void SourcePool::queueExpired(Sound* sound) {
    if (!isExpired(sound))
        expired.push_back(sound);
}

void SourcePool::perform(float ms) {
    for (Sound* sound : active) {
        try {
            sound->perform(ms);
        } catch (std::string const& message) {
            debug::error(dbgAudio, "Error loading file \"%s\": %s",
                         sound->sample ? sound->sample->filename.c_str() : "", message.c_str());
            sound->stop();
        }
    }
    deleteExpiredSounds();
}

void SourcePool::deleteExpiredSounds() {
    while (!expired.empty()) {
        Sound* sound = expired.front();
        expired.pop_front();
        delete sound;
    }
}

void SourcePool::stopAll() {
    std::vector<Sound*> sounds(active.begin(), active.end());
    for (Sound* sound : sounds)
        sound->stop();
    deleteExpiredSounds();
}

void SourcePool::setVolume(float newVolume) {
    volume = newVolume;
}

void SourcePool::setPlayingVolumes(float newVolume) {
    volume = newVolume;
    for (Sound* sound : active)
        if (sound->source)
            alSourcef(sound->source->alSource, AL_GAIN, sound->properties.volume * volume);
}

Sound::Sound(SourcePool* pool, Sample const* sample, SoundHandler* handler)
    : pool(pool), sample(sample), handler(handler), source(nullptr) {
    pool->active.push_back(this);
    if (handler)
        handler->soundInit(this);
}

Sound::~Sound() {
    if (handler)
        handler->soundDone(this);
    if (source && source->sound == this) {
        detach();
        source->sound = nullptr;
    }
    pool->active.remove(this);
    pool->expired.remove(this);
}

void Sound::detach() {
    if (!source || source->sound != this)
        return;
    alSourceStop(source->alSource);
    alSourcei(source->alSource, AL_BUFFER, 0);
    source->state = 3;
}

void Sound::perform(float ms) {
    if (handler)
        handler->soundUpdate(this, ms);
    if (!source)
        return;
    ALint state = 0;
    alGetSourcei(source->alSource, AL_SOURCE_STATE, &state);
    if (state == AL_STOPPED) {
        source->state = 3;
        alSourcei(source->alSource, AL_BUFFER, 0);
        pool->queueExpired(this);
    }
}

void Sound::play() {
    if (!source)
        return;
    alSourcePlay(source->alSource);
    source->state = 1;
}

void Sound::stop() {
    detach();
    pool->queueExpired(this);
}

void Sound::setVolume(float newVolume) {
    properties.volume = newVolume;
    if (source)
        alSourcef(source->alSource, AL_GAIN, newVolume * pool->volume);
}

CachedSound::CachedSound(SourcePool* pool, CachedSample const* sample, SoundHandler* handler)
    : Sound(pool, sample, handler) {}

void CachedSound::play() {
    if (!source)
        return;
    ALuint name = source->alSource;
    ALuint buffer = static_cast<CachedSample const*>(sample)->buffer;
    alSourcef(name, AL_GAIN, properties.volume * pool->volume);
    alSourcef(name, AL_PITCH, properties.pitch);
    alSourcei(name, AL_LOOPING, properties.loop ? AL_TRUE : AL_FALSE);
    alSourceQueueBuffers(name, 1, &buffer);
    alSourcefv(name, AL_POSITION, properties.position);
    alSourcePlay(name);
    source->state = 1;
}

StreamedSound::StreamedSound(SourcePool* pool, StreamedSample const* sample, SoundHandler* handler)
    : Sound(pool, sample, handler), loader(nullptr), bufferSize(sample->bufferSize),
      ended(false), buffers{0, 0}, filled(0) {
    try {
        loader = getFileLoader(sample->filename);
        alGenBuffers(2, buffers);
        bool first = readBuffer(buffers[0]);
        bool second = readBuffer(buffers[1]);
        filled = first ? (second ? 2 : 1) : 0;
    } catch (std::string const& message) {
        freeStream();
        throw "Error loading file \"" + sample->filename + "\": " + message;
    }
}

StreamedSound::~StreamedSound() {
    // Buffers still queued on the source cannot be deleted.
    detach();
    freeStream();
}

void StreamedSound::freeStream() {
    if (buffers[0] != 0 || buffers[1] != 0)
        alDeleteBuffers(2, buffers);
    buffers[0] = buffers[1] = 0;
    delete loader;
    loader = nullptr;
}

bool StreamedSound::readBuffer(ALuint buffer) {
    int got = bufferSize;
    char const* data = loader->read(&got, properties.loop);
    if (got > 0) {
        alBufferData(buffer, loader->getFormat(), data, got, loader->getFrequency());
        return true;
    }
    ended = true;
    if (handler)
        handler->soundStreamed(this);
    return false;
}

void StreamedSound::stream() {
    ALuint name = source->alSource;
    ALint processed = 0;
    alGetSourcei(name, AL_BUFFERS_PROCESSED, &processed);
    for (; processed > 0; --processed) {
        ALuint buffer = 0;
        alSourceUnqueueBuffers(name, 1, &buffer);
        if (readBuffer(buffer))
            alSourceQueueBuffers(name, 1, &buffer);
    }
    ALint state = 0;
    alGetSourcei(name, AL_SOURCE_STATE, &state);
    if (state != AL_STOPPED)
        return;
    if (ended) {
        source->state = 3;
    } else {
        debug::warning(dbgAudio, "Stream %p was interrupted.", static_cast<void*>(this));
        alSourcePlay(name);
    }
}

void StreamedSound::perform(float ms) {
    // A stopped sound waits for its deletion; restarting it would undo the stop.
    if (source && !pool->isExpired(this))
        stream();
    Sound::perform(ms);
}

void StreamedSound::play() {
    if (!source)
        return;
    ALuint name = source->alSource;
    // Only buffers that received data are queued; an empty one would replay stale bytes.
    for (int i = 0; i < filled; ++i)
        alSourceQueueBuffers(name, 1, &buffers[i]);
    alSourcef(name, AL_GAIN, properties.volume * pool->volume);
    alSourcef(name, AL_PITCH, properties.pitch);
    alSourcef(name, AL_ROLLOFF_FACTOR, 1.0f);
    alSourcefv(name, AL_POSITION, properties.position);
    alSourcei(name, AL_LOOPING, AL_FALSE);
    alSourcePlay(name);
    source->state = 1;
}

} // namespace audio
} // namespace ravek
