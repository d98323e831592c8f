#ifndef RAVEK_AUDIO_LOADERS_H
#define RAVEK_AUDIO_LOADERS_H

#include <AL/al.h>

#ifndef OV_EXCLUDE_STATIC_CALLBACKS
#define OV_EXCLUDE_STATIC_CALLBACKS
#endif
#include <vorbis/vorbisfile.h>

#include <cstdio>
#include <string>

namespace ravek {
namespace audio {

// Streams with more PCM bytes than this are refused: a whole-file read allocates all of it.
int const MAX_STREAM_SIZE = 1 << 30;

// One open sound file decoded to 16-bit PCM, handed out in chunks through a buffer it owns and
// reuses. Whoever got it from getFileLoader owns and deletes it. Every failure is thrown as
// std::string.
class FileLoader {
public:
    FILE* file;
    ALenum format;
    int size;
    int frequency;
    int capacity;
    char* buffer;

    // Throws "Could not open file ..." when the file cannot be opened.
    explicit FileLoader(std::string const& name);
    virtual ~FileLoader();
    FileLoader(FileLoader const&) = delete;
    FileLoader& operator=(FileLoader const&) = delete;

    // `size` points to the wanted byte count and receives the count delivered; null asks for
    // the whole stream. Fewer bytes come only at the end of a stream that does not loop, 0 once
    // it has ended. The data stays valid until the next read.
    virtual char* read(int* size, bool loop) = 0;
    virtual void rewind() = 0;

    ALenum getFormat() const { return format; }
    int getSize() const { return size; }
    int getFrequency() const { return frequency; }
    void freeBuffer();
};

// Ogg Vorbis through vorbisfile. Files with more than two channels, without a known length or
// longer than MAX_STREAM_SIZE are refused. After a decoding error every read throws again.
class OggFileLoader : public FileLoader {
public:
    OggVorbis_File vorbisFile;
    vorbis_info* info;

    explicit OggFileLoader(std::string const& name);
    ~OggFileLoader() override;
    char* read(int* size, bool loop) override;
    // A failed seek is logged, not thrown: a looping read then stops at the end.
    void rewind() override;

private:
    void close();
};

// A new loader chosen by the name's extension (only ".ogg"); throws for any other name.
FileLoader* getFileLoader(std::string const& name);
std::string getOggErrorString(int code);

} // namespace audio
} // namespace ravek

#endif
