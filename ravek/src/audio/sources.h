#ifndef RAVEK_AUDIO_SOURCES_H
#define RAVEK_AUDIO_SOURCES_H

#include "ravek/src/audio/resources.h"

#include <AL/al.h>

#include <list>
#include <queue>
#include <vector>

namespace ravek {
namespace audio {

class FileLoader;
class Sound;
class SourcePool;

// One OpenAL source of a pool, owned by the pool. It owns the sound attached to it. Its rank
// (priority and start of its last sound) decides which source the next play takes.
class Source {
public:
    SourcePool* pool;
    int state;
    int priority;
    Sound* sound;
    unsigned int sequence;
    ALuint alSource;

    Source(SourcePool* pool, ALuint alSource);
    ~Source();
    Source(Source const&) = delete;
    Source& operator=(Source const&) = delete;

    // Ranks below `other`: free sources rank highest, then lower priority, then earlier start.
    bool operator<(Source const& other) const;
};

// Orders the pool's heap so that its top is the source the next play takes.
struct CompareSourcePointers {
    bool operator()(Source const* a, Source const* b) const { return *a < *b; }
};

// The user's hook into the life of a sound; the base ignores everything.
class SoundHandler {
public:
    virtual ~SoundHandler() {}
    virtual void soundInit(Sound*) {}
    virtual void soundUpdate(Sound*, float) {}
    virtual void soundStreamed(Sound*) {}
    virtual void soundDone(Sound*) {}
};

// A fixed set of OpenAL sources that plays sounds by priority, stealing the source of the
// least important sound when all are busy. It owns its sounds and deletes them when they end
// (in perform), are stolen, or are stopped; a sound that has ended frees its source for the next
// play even when nobody performs the pool. Failures to start a sound are thrown as std::string;
// errors while streaming are logged and end only that sound.
class SourcePool {
public:
    std::priority_queue<Source*, std::vector<Source*>, CompareSourcePointers> heap;
    std::list<Sound*> active;
    std::list<Sound*> expired;
    unsigned int playCounter;
    float volume;

    explicit SourcePool(int count = 0);
    ~SourcePool();
    SourcePool(SourcePool const&) = delete;
    SourcePool& operator=(SourcePool const&) = delete;

    // Deletes every source with its sound and makes `count` new ones.
    void resize(unsigned int count);
    // Starts a sound of `sample` with `properties` (the sample's when null) and returns it, or
    // null when the sample is null or no source may be taken. A negative priority is the
    // sample's. The sound belongs to the pool.
    Sound* play(Sample* sample, SoundProperties const* properties = nullptr,
                SoundHandler* handler = nullptr, int priority = -1);
    // Once a frame: refills streams and deletes the sounds that ended.
    void perform(float ms);
    void stopAll();
    // Applies to sounds started afterwards.
    void setVolume(float volume);
    float getVolume() const { return volume; }
    // Sets the volume and applies it to the playing sounds too.
    void setPlayingVolumes(float volume);
    int getSize() const { return static_cast<int>(heap.size()); }
    // Takes a source off the heap for a sound of `priority`, stopping the sound on it; null
    // when none may be taken.
    Source* requestSource(int priority);
    void deleteExpiredSounds();

private:
    friend class Sound;
    friend class StreamedSound;
    void reclaimEndedSounds();
    bool hasEnded(Sound const* sound) const;
    bool isExpired(Sound const* sound) const;
    void queueExpired(Sound* sound);
};

// A playing instance of a sample on a source of its pool, which owns it.
class Sound {
public:
    SourcePool* pool;
    Sample const* sample;
    SoundHandler* handler;
    Source* source;
    SoundProperties properties;

    Sound(SourcePool* pool, Sample const* sample, SoundHandler* handler);
    virtual ~Sound();
    Sound(Sound const&) = delete;
    Sound& operator=(Sound const&) = delete;
    virtual void perform(float ms);
    virtual void play();
    // The pool deletes a stopped sound in its next perform, or when a play needs its source.
    virtual void stop();
    void setVolume(float volume);
    Source* getSource() const { return source; }

protected:
    // Stops the source and takes the sound's buffers off it.
    void detach();
};

// Plays the one buffer of a cached sample.
class CachedSound : public Sound {
public:
    CachedSound(SourcePool* pool, CachedSample const* sample, SoundHandler* handler);
    void play() override;
};

// Decodes a streamed sample into two buffers that it refills while they play. The constructor
// opens the file and fills both buffers; it throws "Error loading file ..." and frees what it
// made when that fails.
class StreamedSound : public Sound {
public:
    FileLoader* loader;
    int bufferSize;
    bool ended;
    ALuint buffers[2];

    StreamedSound(SourcePool* pool, StreamedSample const* sample, SoundHandler* handler);
    ~StreamedSound() override;
    void perform(float ms) override;
    void play() override;
    // Fills one buffer; false (and `ended` set) when no bytes came.
    bool readBuffer(ALuint buffer);
    void stream();

private:
    int filled;
    void freeStream();
};

} // namespace audio
} // namespace ravek

#endif
