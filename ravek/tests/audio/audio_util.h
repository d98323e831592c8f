#ifndef RAVEK_TESTS_AUDIO_UTIL_H
#define RAVEK_TESTS_AUDIO_UTIL_H

// Sound files and an offline OpenAL device for the audio tests and benchmarks.
#define AL_ALEXT_PROTOTYPES
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace audiotest {

// Writes an Ogg Vorbis file of `frames` frames of a sine tone at half amplitude; in stereo the
// right channel carries `rightHz` (the same tone when 0). `page` may rewrite each page before
// it is written (its checksum is renewed afterwards).
inline bool writeTone(std::string const& path, int channels, long rate, long frames, double hz,
                      double rightHz = 0.0, std::function<void(ogg_page&)> const& page = nullptr) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, channels, rate, 0.5f) != 0) {
        vorbis_info_clear(&info);
        std::fclose(out);
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1);
    ogg_packet header, commentHeader, codeHeader;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codeHeader);
    ogg_page og;
    auto write = [&](ogg_page& p) {
        if (page) {
            page(p);
            ogg_page_checksum_set(&p);
        }
        std::fwrite(p.header, 1, p.header_len, out);
        std::fwrite(p.body, 1, p.body_len, out);
    };
    while (ogg_stream_flush(&stream, &og))
        write(og);
    long done = 0;
    bool finished = false, eos = false;
    double const pi = 3.14159265358979323846;
    while (!eos) {
        if (done < frames) {
            long n = frames - done < 1024 ? frames - done : 1024;
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(n));
            for (long i = 0; i < n; ++i) {
                double t = static_cast<double>(done + i) / rate;
                for (int c = 0; c < channels; ++c) {
                    double f = c == 1 && rightHz > 0.0 ? rightHz : hz;
                    buffer[c][i] = static_cast<float>(0.5 * std::sin(2.0 * pi * f * t));
                }
            }
            vorbis_analysis_wrote(&dsp, static_cast<int>(n));
            done += n;
        } else if (!finished) {
            vorbis_analysis_wrote(&dsp, 0);
            finished = true;
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                // A page per packet: short files still have a first and a last audio page.
                while (ogg_stream_flush(&stream, &og)) {
                    write(og);
                    eos = eos || ogg_page_eos(&og);
                }
            }
        }
        if (finished && !eos) {
            while (ogg_stream_flush(&stream, &og)) {
                write(og);
                eos = eos || ogg_page_eos(&og);
            }
        }
    }
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return std::fclose(out) == 0;
}

// Sets the granule position of the stream's last page: the length the file claims.
inline std::function<void(ogg_page&)> claimLength(int64_t frames) {
    return [frames](ogg_page& p) {
        if (!ogg_page_eos(&p))
            return;
        for (int i = 0; i < 8; ++i)
            p.header[6 + i] = static_cast<unsigned char>((frames >> (8 * i)) & 0xff);
    };
}

// An OpenAL context on a loopback device: nothing plays until render() mixes, faster than
// real time and the same every run. The context is current while the object lives.
class Loopback {
public:
    explicit Loopback(int rate = 44100) : rate(rate) {
        device = alcLoopbackOpenDeviceSOFT(nullptr);
        ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT,
                               ALC_STEREO_SOFT,
                               ALC_FORMAT_TYPE_SOFT,
                               ALC_SHORT_SOFT,
                               ALC_FREQUENCY,
                               rate,
                               0};
        context = device ? alcCreateContext(device, attributes) : nullptr;
        if (context)
            alcMakeContextCurrent(context);
    }
    ~Loopback() {
        alcMakeContextCurrent(nullptr);
        if (context)
            alcDestroyContext(context);
        if (device)
            alcCloseDevice(device);
    }
    Loopback(Loopback const&) = delete;
    Loopback& operator=(Loopback const&) = delete;

    bool ok() const { return context != nullptr; }
    // Mixes `frames` stereo frames and appends them to `out`.
    void render(int frames, std::vector<int16_t>& out) {
        size_t at = out.size();
        out.resize(at + 2 * static_cast<size_t>(frames));
        alcRenderSamplesSOFT(device, out.data() + at, frames);
    }

    ALCdevice* device;
    ALCcontext* context;
    int rate;
};

// One channel (0 left, 1 right) of interleaved stereo frames [from, to).
inline std::vector<int> channel(std::vector<int16_t> const& frames, int which, size_t from = 0,
                                size_t to = SIZE_MAX) {
    std::vector<int> out;
    for (size_t i = from; i < to && 2 * i + 1 < frames.size(); ++i)
        out.push_back(frames[2 * i + which]);
    return out;
}

inline int peak(std::vector<int> const& samples, size_t from = 0, size_t to = SIZE_MAX) {
    int best = 0;
    for (size_t i = from; i < to && i < samples.size(); ++i)
        best = std::abs(samples[i]) > best ? std::abs(samples[i]) : best;
    return best;
}

// First and one past the last sample whose magnitude exceeds `threshold`; (0, 0) when none.
inline std::pair<size_t, size_t> soundingRange(std::vector<int> const& samples, int threshold) {
    size_t first = samples.size(), last = 0;
    for (size_t i = 0; i < samples.size(); ++i)
        if (std::abs(samples[i]) > threshold) {
            first = first < i ? first : i;
            last = i + 1;
        }
    return first < last ? std::make_pair(first, last) : std::make_pair(size_t(0), size_t(0));
}

// The longest run of samples at or below `threshold` inside [from, to).
inline size_t longestQuiet(std::vector<int> const& samples, int threshold, size_t from, size_t to) {
    size_t longest = 0, run = 0;
    for (size_t i = from; i < to && i < samples.size(); ++i) {
        run = std::abs(samples[i]) <= threshold ? run + 1 : 0;
        longest = run > longest ? run : longest;
    }
    return longest;
}

// Samples heard between the first and the last sounding one, without the pauses: quiet runs
// of 10 samples or more, which a tone's zero crossing never makes.
inline size_t heardLength(std::vector<int> const& samples, int threshold) {
    auto range = soundingRange(samples, threshold);
    size_t pauses = 0, run = 0;
    for (size_t i = range.first; i <= range.second; ++i) {
        if (i < range.second && std::abs(samples[i]) <= threshold) {
            ++run;
            continue;
        }
        pauses += run >= 10 ? run : 0;
        run = 0;
    }
    return range.second - range.first - pauses;
}

// Frequency in Hz from the rising zero crossings in [from, to).
inline double frequency(std::vector<int> const& samples, int rate, size_t from, size_t to) {
    int crossings = 0;
    for (size_t i = from + 1; i < to && i < samples.size(); ++i)
        if (samples[i - 1] < 0 && samples[i] >= 0)
            ++crossings;
    return to > from ? crossings * static_cast<double>(rate) / static_cast<double>(to - from) : 0.0;
}

} // namespace audiotest

#endif
