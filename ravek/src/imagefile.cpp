#include "ravek/src/imagefile.h"

#include <SDL/SDL_image.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace ravek {

namespace {

unsigned char const PNG_SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint32_t bigEndian(unsigned char const* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | static_cast<std::uint32_t>(p[3]);
}

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

} // namespace

std::string pngFault(unsigned char const* data, std::size_t size) {
    if (size < sizeof PNG_SIGNATURE || std::memcmp(data, PNG_SIGNATURE, sizeof PNG_SIGNATURE) != 0)
        return std::string();
    std::size_t pos = sizeof PNG_SIGNATURE;
    bool first = true;
    while (true) {
        if (size - pos < 8)
            return first ? "PNG file without IHDR chunk" : "PNG file without IEND chunk";
        std::uint32_t length = bigEndian(data + pos);
        unsigned char const* type = data + pos + 4;
        std::string name(reinterpret_cast<char const*>(type), 4);
        // The PNG format keeps lengths below 2^31.
        if (length > 0x7FFFFFFFu || size - pos < 12 || length > size - pos - 12)
            return "PNG chunk " + name + " runs past the end of the file";
        uLong crc = crc32(0L, type, static_cast<uInt>(4 + length));
        if (crc != bigEndian(type + 4 + length))
            return "PNG chunk " + name + " has a bad CRC";
        if (first) {
            if (name != "IHDR" || length < 8)
                return "PNG file without IHDR chunk";
            std::uint32_t width = bigEndian(type + 4);
            std::uint32_t height = bigEndian(type + 8);
            if (width == 0 || height == 0 || width > MAX_IMAGE_SIDE || height > MAX_IMAGE_SIDE)
                return "PNG image of " + std::to_string(width) + " x " + std::to_string(height) +
                       " pixels (at most " + std::to_string(MAX_IMAGE_SIDE) + " x " +
                       std::to_string(MAX_IMAGE_SIDE) + ")";
            first = false;
        }
        if (name == "IEND")
            return std::string();
        pos += 12 + length;
    }
}

SDL_Surface* loadImageFile(std::string const& filename) {
    std::unique_ptr<FILE, FileCloser> file(std::fopen(filename.c_str(), "rb"));
    if (!file) {
        SDL_SetError("Couldn't open %s", filename.c_str());
        return nullptr;
    }
    std::vector<unsigned char> data;
    unsigned char block[65536];
    while (std::size_t count = std::fread(block, 1, sizeof block, file.get())) {
        if (data.size() + count > static_cast<std::size_t>(MAX_IMAGE_FILE_SIZE)) {
            SDL_SetError("Image file larger than %ld MiB", MAX_IMAGE_FILE_SIZE >> 20);
            return nullptr;
        }
        data.insert(data.end(), block, block + count);
    }
    if (std::ferror(file.get())) {
        SDL_SetError("Error reading %s", filename.c_str());
        return nullptr;
    }
    file.reset();
    std::string fault = pngFault(data.data(), data.size());
    if (!fault.empty()) {
        SDL_SetError("%s", fault.c_str());
        return nullptr;
    }
    SDL_RWops* source = SDL_RWFromConstMem(data.data(), static_cast<int>(data.size()));
    if (!source)
        return nullptr;
    // The file name's extension, as IMG_Load passes it: some formats are known only by it.
    std::size_t dot = filename.rfind('.');
    std::string extension = dot == std::string::npos ? "" : filename.substr(dot + 1);
    return IMG_LoadTyped_RW(source, 1, const_cast<char*>(extension.c_str()));
}

} // namespace ravek
