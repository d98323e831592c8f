#ifndef QUELLON_BENCH_DATA_FILES_H
#define QUELLON_BENCH_DATA_FILES_H

// The files of the data set the game reads until its images are loaded, as the list the bare
// baseline program (startup_bare) works through: "icon", then the HUD and GUI pictures and the
// font images ("png"), the sound effects ("ogg") and the two streaming buffers of the title
// music decoded before the first frame ("stream"), "frame", and the game's pictures.
#include "ravek/src/audio/resources.h"
#include "ravek/src/gfx/fonts.h"
#include "ravek/src/gfx/images.h"
#include "ravek/src/resources.h"

#include <ostream>
#include <string>

namespace bench {

// The banks of the data set that name files, read without a window or an audio device.
struct DataFiles : ravek::ResourceManager {
    ~DataFiles() override { deleteBanks(); }
    ravek::BasicResourceBank* createResourceBank(std::string const& type) override {
        return type == "images" || type == "fonts" || type == "samples"
                   ? ResourceManager::createResourceBank(type)
                   : nullptr;
    }
    // Throws a std::string when the data set has no such bank.
    template <typename T>
    T* bank(char const* name) {
        auto it = banks.find(name);
        T* found = it == banks.end() ? nullptr : dynamic_cast<T*>(it->second);
        if (!found)
            throw std::string("no bank ") + name + " in the data set";
        return found;
    }
};

inline void listPictures(std::ostream& out, ravek::gfx::ImageBank* bank) {
    for (auto const& entry : bank->resources)
        out << "png " << entry.second->filename << "\n";
}

// Throws a std::string when the title music is missing.
template <typename Banks>
void writeFileList(std::ostream& out, std::string const& icon, Banks& banks) {
    out << "icon " << icon << "\n";
    listPictures(out, banks.template bank<ravek::gfx::ImageBank>("imagesHud"));
    listPictures(out, banks.template bank<ravek::gfx::ImageBank>("imagesGui"));
    for (auto const& entry : banks.template bank<ravek::fonts::FontBank>("fonts")->resources)
        if (auto* font = dynamic_cast<ravek::fonts::BitmapFont*>(entry.second))
            if (font->imageBank)
                listPictures(out, font->imageBank.get());
    for (auto const& entry : banks.template bank<ravek::audio::SampleBank>("sounds")->resources)
        out << "ogg " << entry.second->filename << "\n";
    // The title menu starts this track: two buffers of the default size are decoded at once.
    auto* music = banks.template bank<ravek::audio::SampleBank>("music");
    auto title = music->resources.find("music_title_intro");
    if (title == music->resources.end())
        throw std::string("no music_title_intro in the data set");
    out << "stream " << title->second->filename << " " << 2 * ravek::audio::DEF_BUFFER_SIZE << "\n";
    out << "frame\n";
    listPictures(out, banks.template bank<ravek::gfx::ImageBank>("imagesGame"));
}

} // namespace bench

#endif
