#include "ravek/src/audio/music.h"

#include "ravek/src/audio/loaders.h"
#include "ravek/src/debug.h"

#include <SDL/SDL_timer.h>

#include <exception>
#include <limits>
#include <string>

namespace ravek {
namespace audio {

namespace {

// Holds the manager's mutex for a scope, so no throw can leave it locked.
class Lock {
public:
    explicit Lock(SDL_mutex* mutex) : mutex(mutex) {
        if (mutex)
            SDL_mutexP(mutex);
    }
    ~Lock() {
        if (mutex)
            SDL_mutexV(mutex);
    }
    Lock(Lock const&) = delete;
    Lock& operator=(Lock const&) = delete;

private:
    SDL_mutex* mutex;
};

} // namespace

MusicStream::MusicStream(MusicManager* manager, StreamedSample* sample)
    : manager(manager), sample(sample), loader(nullptr), bufferSize(sample->bufferSize),
      ended(false), loop(sample->properties.loop), buffers{0, 0} {
    try {
        loader = getFileLoader(sample->filename);
    } catch (std::string const& message) {
        throw "Error streaming music \"" + sample->filename + "\": " + message;
    }
    alGenBuffers(2, buffers);
}

MusicStream::~MusicStream() {
    if (buffers[0] != 0 || buffers[1] != 0)
        alDeleteBuffers(2, buffers);
    delete loader;
}

bool MusicStream::hasBuffer(ALuint buffer) const {
    return buffer != 0 && (buffer == buffers[0] || buffer == buffers[1]);
}

bool MusicStream::stream(ALuint buffer) {
    int got = bufferSize;
    char const* data = loader->read(&got, loop);
    if (got > 0) {
        alBufferData(buffer, loader->getFormat(), data, got, loader->getFrequency());
        return true;
    }
    ended = true;
    return false;
}

MusicManager::MusicManager()
    : stopped(true), alSource(0), running(true), thread(nullptr), mutex(nullptr), volume(1.0f),
      currentVolume(1.0f), fading(false), fadeRate(0.0f), nextQueued(false), current(nullptr),
      next(nullptr) {
    alGenSources(1, &alSource);
    mutex = SDL_CreateMutex();
    if (!mutex) {
        debug::error(dbgAudio, "Could not create the music mutex: %s", SDL_GetError());
        return; // without a mutex the thread would race the main thread
    }
    thread = SDL_CreateThread(MusicManager_run, this);
    if (!thread)
        debug::error(dbgAudio, "Could not start the music thread: %s", SDL_GetError());
}

MusicManager::~MusicManager() {
    stop();
    terminate();
    if (mutex)
        SDL_DestroyMutex(mutex);
    mutex = nullptr;
    if (alSource != 0)
        alDeleteSources(1, &alSource);
    queue.clear();
}

int MusicManager_run(void* manager) {
    return static_cast<MusicManager*>(manager)->run();
}

int MusicManager::run() {
    Uint32 last = SDL_GetTicks();
    while (isRunning()) {
        Uint32 now = SDL_GetTicks();
        perform(now - last);
        last = now;
        // A tick every 100 ms, but a request to end is answered within 10.
        for (int slice = 0; slice < 10 && isRunning(); ++slice)
            SDL_Delay(10);
    }
    return 0;
}

bool MusicManager::isRunning() {
    Lock lock(mutex);
    return running;
}

int MusicManager::terminate() {
    {
        Lock lock(mutex);
        running = false;
    }
    if (!thread)
        return 0;
    int status = 0;
    SDL_WaitThread(thread, &status);
    thread = nullptr;
    return status;
}

void MusicManager::perform(unsigned int ms) {
    Lock lock(mutex);
    try {
        if (fading) {
            float v = currentVolume - static_cast<float>(ms) * fadeRate;
            if (v <= 0.0f) {
                // Stopping under the same lock: a play() in between must not be cut off.
                currentVolume = volume;
                fading = false;
                stopLocked();
                return;
            }
            currentVolume = v;
            alSourcef(alSource, AL_GAIN, v);
        }
        streamStep();
    } catch (std::string const& message) {
        debug::error(dbgAudio, "%s", message.c_str());
    } catch (std::exception const& exception) {
        debug::error(dbgAudio, "Music thread: %s", exception.what());
    }
}

void MusicManager::streamStep() {
    ALint processed = 0;
    alGetSourcei(alSource, AL_BUFFERS_PROCESSED, &processed);
    if (processed <= 0)
        return;
    ALint state = 0;
    alGetSourcei(alSource, AL_SOURCE_STATE, &state);
    // After an underrun every queued buffer has played: refilling only one and restarting would
    // replay the stale others.
    int count = state == AL_STOPPED ? processed : 1;
    bool queued = false;
    for (int i = 0; i < count; ++i) {
        ALuint buffer = 0;
        alSourceUnqueueBuffers(alSource, 1, &buffer);
        if (handleBuffer(buffer))
            queued = true;
    }
    if (!queued)
        return;
    alGetSourcei(alSource, AL_SOURCE_STATE, &state);
    if (state == AL_STOPPED)
        alSourcePlay(alSource);
}

// One buffer that has played; true when a buffer was queued again.
bool MusicManager::handleBuffer(ALuint buffer) {
    if (current && current->hasBuffer(buffer)) {
        if (current->ended && nextQueued)
            return false;
        bool queued = false;
        if (!current->ended && refill(current, buffer)) {
            alSourceQueueBuffers(alSource, 1, &buffer);
            queued = true;
        }
        if (current->ended && !nextQueued && queueNext())
            queued = true;
        return queued;
    }
    if (next && next->hasBuffer(buffer)) {
        // The first buffer of the next track has played, so the old one is gone for good.
        delete current;
        current = next;
        next = nullptr;
        nextQueued = false;
        if (!current->ended && refill(current, buffer)) {
            alSourceQueueBuffers(alSource, 1, &buffer);
            return true;
        }
        // A track within its first two buffers: hand over now, never replay this buffer.
        return queueNext();
    }
    return false;
}

bool MusicManager::refill(MusicStream* stream, ALuint buffer) {
    try {
        return stream->stream(buffer);
    } catch (std::string const& message) {
        debug::error(dbgAudio, "Error streaming music \"%s\": %s", stream->sample->filename.c_str(),
                     message.c_str());
        stream->ended = true;
        return false;
    }
}

// Makes the following playable track `next` with its buffers queued behind the current ones;
// tracks that cannot be opened or hold no sound are logged and skipped.
bool MusicManager::queueNext() {
    nextQueued = true;
    if (next)
        return false;
    while (!queue.empty()) {
        StreamedSample* sample = queue.front();
        queue.pop_front();
        if (!sample)
            continue;
        MusicStream* stream = nullptr;
        try {
            stream = new MusicStream(this, sample);
            ALuint filled[2];
            int count = 0;
            if (stream->stream(stream->buffers[0])) {
                filled[count++] = stream->buffers[0];
                if (stream->stream(stream->buffers[1]))
                    filled[count++] = stream->buffers[1];
            }
            if (count == 0) {
                debug::warning(dbgAudio, "Music \"%s\" holds no sound.", sample->filename.c_str());
                delete stream;
                continue;
            }
            alSourceQueueBuffers(alSource, count, filled);
            next = stream;
            return true;
        } catch (std::string const& message) {
            if (stream)
                debug::error(dbgAudio, "Error streaming music \"%s\": %s", sample->filename.c_str(),
                             message.c_str());
            else
                debug::error(dbgAudio, "%s", message.c_str());
            delete stream;
        }
    }
    return false;
}

void MusicManager::play() {
    Lock lock(mutex);
    playLocked();
}

void MusicManager::playLocked() {
    while (!queue.empty() && !queue.front())
        queue.pop_front();
    if (queue.empty())
        return;
    if (!stopped || current || next)
        stopLocked();
    nextQueued = false;
    fading = false;
    currentVolume = volume;
    StreamedSample* sample = queue.front();
    queue.pop_front();
    MusicStream* stream = new MusicStream(this, sample); // a throw leaves the manager stopped
    ALuint filled[2];
    int count = 0;
    try {
        if (stream->stream(stream->buffers[0])) {
            filled[count++] = stream->buffers[0];
            if (stream->stream(stream->buffers[1]))
                filled[count++] = stream->buffers[1];
        }
    } catch (std::string const& message) {
        delete stream;
        throw "Error streaming music \"" + sample->filename + "\": " + message;
    }
    current = stream;
    stopped = false;
    if (count > 0)
        alSourceQueueBuffers(alSource, count, filled);
    ALfloat const origin[] = {0.0f, 0.0f, 0.0f};
    alSourcef(alSource, AL_GAIN, volume);
    alSourcef(alSource, AL_PITCH, 1.0f);
    alSourcef(alSource, AL_ROLLOFF_FACTOR, 0.0f);
    alSourcefv(alSource, AL_POSITION, origin);
    alSourcei(alSource, AL_LOOPING, AL_FALSE);
    // A track that fits its first buffers hands over now rather than after a gap.
    if (current->ended)
        queueNext();
    alSourcePlay(alSource);
}

void MusicManager::stop() {
    Lock lock(mutex);
    stopLocked();
}

void MusicManager::stopLocked() {
    alSourceStop(alSource);
    alSourcei(alSource, AL_BUFFER, 0);
    delete next;
    next = nullptr;
    delete current;
    current = nullptr;
    stopped = true;
}

void MusicManager::skipToNext() {
    Lock lock(mutex);
    stopLocked();
    playLocked();
}

void MusicManager::skipToLast() {
    Lock lock(mutex);
    while (queue.size() > 1)
        queue.pop_front();
    stopLocked();
    playLocked();
}

void MusicManager::addAsLast(StreamedSample* sample) {
    if (!sample) {
        debug::warning(dbgAudio, "Cannot queue a missing music track.");
        return;
    }
    Lock lock(mutex);
    queue.push_back(sample);
}

void MusicManager::addAsNext(StreamedSample* sample) {
    if (!sample) {
        debug::warning(dbgAudio, "Cannot queue a missing music track.");
        return;
    }
    Lock lock(mutex);
    queue.push_front(sample);
}

void MusicManager::clearQueue() {
    Lock lock(mutex);
    queue.clear();
}

bool MusicManager::isPlaying() {
    Lock lock(mutex);
    return !stopped;
}

void MusicManager::setVolume(float newVolume) {
    Lock lock(mutex);
    volume = newVolume;
}

void MusicManager::setCurrentVolume(float newVolume) {
    Lock lock(mutex);
    currentVolume = newVolume;
    alSourcef(alSource, AL_GAIN, newVolume);
}

void MusicManager::fadeOut(unsigned int ms) {
    Lock lock(mutex);
    fading = true;
    fadeRate = ms > 0 ? 1.0f / static_cast<float>(ms) : std::numeric_limits<float>::max();
}

} // namespace audio
} // namespace ravek
