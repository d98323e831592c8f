// Loading a bank of 100 generated 64 x 64 PNG images through ImageBank::refresh (decoding and
// uploading) against bare IMG_Load of the same files. Needs a display (the test command's Xvfb).
#include "ravek/src/gfx/images.h"
#include "ravek/src/ravek.h"
#include "ravek/src/xml.h"

#include "bench/ratio.h"

#include <SDL/SDL_image.h>
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

int const COUNT = 100;
int const SIZE = 64;

std::string directory;
ravek::gfx::ImageBank* bank = nullptr;

std::string fileName(int i) {
    return "image" + std::to_string(i) + ".png";
}

bool writeImages() {
    char pattern[] = "/tmp/ravek_imagebank_bench_XXXXXX";
    if (!mkdtemp(pattern))
        return false;
    directory = std::string(pattern) + "/";
    std::vector<png_byte> pixels(SIZE * SIZE * 4);
    for (int i = 0; i < COUNT; ++i) {
        for (int p = 0; p < SIZE * SIZE; ++p) {
            pixels[p * 4] = static_cast<png_byte>(p * 7 + i);
            pixels[p * 4 + 1] = static_cast<png_byte>(p / SIZE * 3);
            pixels[p * 4 + 2] = static_cast<png_byte>(i * 2);
            pixels[p * 4 + 3] = static_cast<png_byte>(p % SIZE < 32 ? 255 : 0);
        }
        png_image image = {};
        image.version = PNG_IMAGE_VERSION;
        image.width = SIZE;
        image.height = SIZE;
        image.format = PNG_FORMAT_RGBA;
        if (!png_image_write_to_file(&image, (directory + fileName(i)).c_str(), 0, pixels.data(), 0,
                                     nullptr))
            return false;
    }
    return true;
}

void removeImages() {
    for (int i = 0; i < COUNT; ++i)
        std::remove((directory + fileName(i)).c_str());
    rmdir(directory.c_str());
}

void BM_ImageBankRefresh(benchmark::State& state) {
    for (auto _ : state) {
        bank->release();
        bank->refresh(nullptr);
    }
    state.SetItemsProcessed(state.iterations() * COUNT);
}
BENCHMARK(BM_ImageBankRefresh)->Unit(benchmark::kMillisecond);

void BM_IMGLoad(benchmark::State& state) {
    for (auto _ : state)
        for (int i = 0; i < COUNT; ++i) {
            SDL_Surface* surface = IMG_Load((directory + fileName(i)).c_str());
            benchmark::DoNotOptimize(surface);
            SDL_FreeSurface(surface);
        }
    state.SetItemsProcessed(state.iterations() * COUNT);
}
BENCHMARK(BM_IMGLoad)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "%s\n", SDL_GetError());
        return 1;
    }
    try {
        ravek::setResolution(64, 64, 32, false, 0, 0);
    } catch (std::string const& text) {
        std::fprintf(stderr, "%s\n", text.c_str());
        return 1;
    }
    if (!writeImages()) {
        std::fprintf(stderr, "could not write the images\n");
        return 1;
    }
    ravek::xml::Node description;
    description.name = "images";
    for (int i = 0; i < COUNT; ++i) {
        auto* image = new ravek::xml::Node;
        image->name = "image";
        (*image)["name"] = fileName(i);
        (*image)["filename"] = fileName(i);
        description += image;
    }
    bank = new ravek::gfx::ImageBank;
    bank->getFromNode(&description, directory);
    int status = bench::runWithRatios(argc, argv, {{"BM_ImageBankRefresh", "BM_IMGLoad"}});
    bank->release();
    delete bank;
    removeImages();
    // SDL stays up: shutting it down unloads the OpenGL driver before the leak check.
    return status;
}
