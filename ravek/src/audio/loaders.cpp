#include "ravek/src/audio/loaders.h"

#include "ravek/src/debug.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace ravek {
namespace audio {

FileLoader::FileLoader(std::string const& name)
    : file(nullptr), format(0), size(0), frequency(0), capacity(0), buffer(nullptr) {
    file = std::fopen(name.c_str(), "rb");
    if (!file)
        throw "Could not open file \"" + name + "\".";
}

FileLoader::~FileLoader() {
    freeBuffer();
    if (file)
        std::fclose(file);
}

void FileLoader::freeBuffer() {
    delete[] buffer;
    buffer = nullptr;
    capacity = 0;
}

OggFileLoader::OggFileLoader(std::string const& name) : FileLoader(name), info(nullptr) {
    std::memset(&vorbisFile, 0, sizeof(vorbisFile));
    int result = ov_open(file, &vorbisFile, nullptr, 0);
    if (result < 0)
        throw "Could not read Ogg stream:" + getOggErrorString(result);
    info = ov_info(&vorbisFile, -1);
    std::string error;
    if (!info || info->channels < 1 || info->channels > 2)
        error = "Unsupported number of channels in Ogg stream: " +
                std::to_string(info ? info->channels : 0) + ".";
    else if (info->rate <= 0 || info->rate > INT32_MAX)
        error = "Unsupported sample rate in Ogg stream: " + std::to_string(info->rate) + ".";
    if (!error.empty()) {
        close();
        throw error;
    }
    frequency = static_cast<int>(info->rate);
    format = info->channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;
    // In 64 bits: a corrupt or huge length must not wrap into a plausible one.
    int64_t samples = ov_pcm_total(&vorbisFile, -1);
    int64_t bytes = samples < 0 ? -1 : samples * 2 * info->channels;
    if (bytes < 0 || bytes > MAX_STREAM_SIZE) {
        close();
        throw bytes < 0 ? std::string("Ogg stream without a known length.")
                        : "Ogg stream too long: " + std::to_string(bytes) + " bytes.";
    }
    size = static_cast<int>(bytes);
}

OggFileLoader::~OggFileLoader() {
    close();
}

// ov_clear closes the file too, so the base must not.
void OggFileLoader::close() {
    ov_clear(&vorbisFile);
    file = nullptr;
    info = nullptr;
}

char* OggFileLoader::read(int* wanted, bool loop) {
    int want = wanted ? *wanted : size;
    if (want < 0)
        throw "Cannot read " + std::to_string(want) + " bytes.";
    // vorbisfile hands out whole frames only; a request for part of one would read as the end.
    int frame = format == AL_FORMAT_MONO16 ? 2 : 4;
    want -= want % frame;
    if (capacity != want)
        freeBuffer();
    if (!buffer) {
        buffer = new (std::nothrow) char[want > 0 ? want : 1];
        if (!buffer)
            throw "Out of memory for " + std::to_string(want) + " bytes of sound.";
        capacity = want;
    }
    int got = 0;
    bool rewound = false;
    while (got < want) {
        int section = 0;
        long r = ov_read(&vorbisFile, buffer + got, want - got, 0, 2, 1, &section);
        if (r > 0) {
            got += static_cast<int>(r);
            rewound = false;
        } else if (r == 0) {
            if (!loop || rewound)
                break;
            rewind();
            rewound = true;
        } else {
            close();
            throw "Could not decode Ogg stream: " + getOggErrorString(static_cast<int>(r));
        }
    }
    if (wanted)
        *wanted = got;
    return buffer;
}

void OggFileLoader::rewind() {
    int result = ov_time_seek(&vorbisFile, 0.0);
    if (result != 0)
        debug::error(dbgAudio, "Could not rewind ogg stream: %s",
                     getOggErrorString(result).c_str());
}

FileLoader* getFileLoader(std::string const& name) {
    if (name.size() >= 4 && name.compare(name.size() - 4, 4, ".ogg") == 0)
        return new OggFileLoader(name);
    throw "Unknown file type - \"" + name + "\"";
}

std::string getOggErrorString(int code) {
    switch (code) {
    case OV_FALSE:
        return "Not true, or no data available.";
    case OV_HOLE:
        return "Vorbisfile encoutered missing or corrupt data in the bitstream.";
    case OV_EREAD:
        return "Read error while fetching compressed data for decode.";
    case OV_EFAULT:
        return "Internal inconsistency in decode state.";
    case OV_EIMPL:
        return "Feature not implemented.";
    case OV_EINVAL:
        return "Either an invalid argument, or incompletely initialized argument passed to "
               "libvorbisfile call.";
    case OV_ENOTVORBIS:
        return "The given file/data was not recognized as Ogg Vorbis data.";
    case OV_EBADHEADER:
        return "The file/data is apparently an Ogg Vorbis stream, but contains a corrupted or "
               "undecipherable header.";
    case OV_EVERSION:
        return "The bitstream format revision of the given stream is not supported.";
    case OV_EBADLINK:
        return "The given link exists in the Vorbis data stream, but is not decipherable due to "
               "garbacge or corruption.";
    case OV_ENOSEEK:
        return "The given stream is not seekable.";
    default:
        return "(Unknown Ogg error)";
    }
}

} // namespace audio
} // namespace ravek
