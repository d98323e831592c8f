#ifndef RAVEK_AUDIO_MUSIC_H
#define RAVEK_AUDIO_MUSIC_H

#include "ravek/src/audio/resources.h"

#include <AL/al.h>
#include <SDL/SDL_mutex.h>
#include <SDL/SDL_thread.h>

#include <list>

namespace ravek {
namespace audio {

class FileLoader;
class MusicManager;

// One track being decoded into two buffers of the music source. Owned by its manager; used
// only with the manager's mutex held. The constructor throws "Error streaming music ..." and
// frees what it made when the file cannot be opened.
class MusicStream {
public:
    MusicManager* manager;
    StreamedSample* sample;
    FileLoader* loader;
    int bufferSize;
    bool ended;
    bool loop;
    ALuint buffers[2];

    MusicStream(MusicManager* manager, StreamedSample* sample);
    ~MusicStream();
    MusicStream(MusicStream const&) = delete;
    MusicStream& operator=(MusicStream const&) = delete;
    bool hasBuffer(ALuint buffer) const;
    // Fills one buffer; false (and `ended` set) when no bytes came. Decoding errors are thrown.
    bool stream(ALuint buffer);
};

// Plays a queue of streamed samples one after the other on a source of its own, without gaps,
// with a volume and a fade-out. A thread of its own refills the buffers every 100 ms; every
// operation may be called from the main thread while it runs. It does not own the queued
// samples. A track that fails on the thread is logged and skipped; play() throws when the
// first track cannot be opened, leaving the manager stopped.
class MusicManager {
public:
    bool stopped;
    ALuint alSource;
    std::list<StreamedSample*> queue;
    bool running;
    SDL_Thread* thread;
    SDL_mutex* mutex;
    float volume;
    float currentVolume;
    bool fading;
    float fadeRate;
    bool nextQueued;
    MusicStream* current;
    MusicStream* next;

    MusicManager();
    // Stops the music and the thread before anything the thread uses goes.
    virtual ~MusicManager();
    MusicManager(MusicManager const&) = delete;
    MusicManager& operator=(MusicManager const&) = delete;

    // Starts the first queued track, stopping any music still current; nothing happens when
    // the queue is empty.
    void play();
    void stop();
    void skipToNext();
    // Drops every queued track but the last and plays that one.
    void skipToLast();
    // A null sample is ignored with a warning.
    void addAsLast(StreamedSample* sample);
    void addAsNext(StreamedSample* sample);
    void clearQueue();
    bool isPlaying();
    // The gain of the next play() and of the end of a fade.
    void setVolume(float volume);
    void setCurrentVolume(float volume);
    // Fades from the current gain to silence in currentVolume * ms milliseconds, then stops.
    void fadeOut(unsigned int ms);
    // Ends the thread and returns its status; later calls return 0.
    int terminate();
    // One tick of the thread: `ms` since the previous one.
    void perform(unsigned int ms);
    int run();

private:
    bool isRunning();
    void stopLocked();
    void playLocked();
    void streamStep();
    bool handleBuffer(ALuint buffer);
    bool refill(MusicStream* stream, ALuint buffer);
    bool queueNext();
};

int MusicManager_run(void* manager);

} // namespace audio
} // namespace ravek

#endif
