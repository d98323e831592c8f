// The game's data set, read through the engine's own banks: every name the game looks up is
// there with the right type, and everything loads.
#include "ravek/src/audio/core.h"
#include "ravek/src/audio/loaders.h"
#include "ravek/src/audio/resources.h"
#include "ravek/src/controls.h"
#include "ravek/src/gfx/animations.h"
#include "ravek/src/gfx/fonts.h"
#include "ravek/src/gfx/images.h"
#include "ravek/src/gui/containers.h"
#include "ravek/src/gui/core.h"
#include "ravek/src/gui/text.h"
#include "ravek/src/resources.h"

#include "ravek/tests/gl_util.h"
#include "ravek/tests/test_util.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace ravek;

namespace {

std::string const DATA = QUELLON_SOURCE_DIR "/resources/";

// Reads resources.xml; the banks are deleted with it (the game keeps them for good).
struct DataSet : ResourceManager {
    DataSet() {
        testutil::LogCapture capture;
        load(DATA + "resources.xml", "");
        log = capture.text();
    }
    ~DataSet() override {
        for (auto& bank : banks)
            delete bank.second;
    }
    template <typename T>
    T* bank(std::string const& name) {
        auto it = banks.find(name);
        return it == banks.end() ? nullptr : dynamic_cast<T*>(it->second);
    }
    std::string log;
};

template <typename T>
T* find(NamedResourceBank<T>* bank, std::string const& name) {
    if (!bank)
        return nullptr;
    auto it = bank->resources.find(name);
    return it == bank->resources.end() ? nullptr : it->second;
}

std::vector<std::string> hudNames() {
    std::vector<std::string> names = {"full", "shield"};
    for (int k = 1; k <= 5; ++k)
        names.push_back("speed_" + std::to_string(k));
    for (int i = 1; i <= 5; ++i)
        for (int j = 0; j <= 5; ++j)
            names.push_back("fire_" + std::to_string(i) + "_" + std::to_string(j));
    names.push_back("timewarp_1");
    names.push_back("timewarp_2");
    return names;
}

} // namespace

TEST(DataSet, DescriptionReadsWithoutComplaint) {
    DataSet data;
    EXPECT_EQ(std::string::npos, data.log.find("(error)")) << data.log;
    EXPECT_EQ(std::string::npos, data.log.find("(warning)")) << data.log;
    EXPECT_EQ(std::string::npos, data.log.find("(critical)")) << data.log;
}

TEST(DataSet, BanksAndEvaluatorsTheGameLooksUpHaveTheirTypes) {
    DataSet data;
    EXPECT_TRUE(data.bank<fonts::FontBank>("fonts"));
    for (char const* name : {"imagesGame", "imagesHud", "imagesGui"})
        EXPECT_TRUE(data.bank<gfx::ImageBank>(name)) << name;
    EXPECT_TRUE(data.bank<gfx::AnimationBank>("animationsGame"));
    EXPECT_TRUE(data.bank<gui::GUI>("gui"));
    EXPECT_TRUE(data.bank<audio::SampleBank>("sounds"));
    EXPECT_TRUE(data.bank<audio::SampleBank>("music"));
    for (char const* name :
         {"evaluatorCore", "evaluatorMenu", "evaluatorGameCore", "evaluatorGamePlayer"})
        EXPECT_TRUE(data.bank<InputEvaluator>(name)) << name;
}

TEST(DataSet, EvaluatorsCarryTheTriggersTheStatesSwitchOn) {
    DataSet data;
    auto code = [&](char const* evaluator, char const* trigger) {
        Trigger* t = find<Trigger>(data.bank<InputEvaluator>(evaluator), trigger);
        return t ? t->code : -1;
    };
    EXPECT_EQ(202, code("evaluatorGamePlayer", "x"));
    EXPECT_EQ(203, code("evaluatorGamePlayer", "y"));
    EXPECT_EQ(204, code("evaluatorGamePlayer", "fire"));
    EXPECT_EQ(206, code("evaluatorGamePlayer", "timewarp"));
    EXPECT_NE(-1, code("evaluatorGamePlayer", "shield"));
    EXPECT_NE(-1, code("evaluatorGamePlayer", "pause"));
    EXPECT_EQ(1, code("evaluatorCore", "back"));
    EXPECT_EQ(3, code("evaluatorCore", "fullscreen"));
    EXPECT_EQ(4, code("evaluatorCore", "screenshot"));
    EXPECT_NE(-1, code("evaluatorCore", "pause"));
    EXPECT_EQ(1, code("evaluatorMenu", "back"));
    EXPECT_EQ(2, code("evaluatorMenu", "confirm"));
    EXPECT_EQ(5, code("evaluatorGameCore", "menu"));

    // Steering: a key for each way and a joystick axis.
    for (char const* axis : {"x", "y"}) {
        Trigger* t = find<Trigger>(data.bank<InputEvaluator>("evaluatorGamePlayer"), axis);
        ASSERT_TRUE(t) << axis;
        std::set<float> values;
        bool joystick = false;
        for (Translator* translator : t->translators) {
            if (auto* key = dynamic_cast<KeyTranslator*>(translator))
                values.insert(key->value);
            joystick = joystick || dynamic_cast<JoyAxisTranslator*>(translator);
        }
        EXPECT_EQ((std::set<float>{-1.0f, 1.0f}), values) << axis;
        EXPECT_TRUE(joystick) << axis;
    }
}

TEST(DataSetGL, ImagesAnimationsAndFontsLoadWithTheLooksTheGameNeeds) {
    testutil::Window window(800, 600);
    DataSet data;
    auto* imagesGame = data.bank<gfx::ImageBank>("imagesGame");
    auto* imagesHud = data.bank<gfx::ImageBank>("imagesHud");
    auto* imagesGui = data.bank<gfx::ImageBank>("imagesGui");
    auto* animations = data.bank<gfx::AnimationBank>("animationsGame");
    auto* fontBank = data.bank<fonts::FontBank>("fonts");
    ASSERT_TRUE(imagesGame && imagesHud && imagesGui && animations && fontBank);
    imagesGame->refresh(nullptr);
    imagesHud->refresh(nullptr);
    imagesGui->refresh(nullptr);
    fontBank->refresh();

    for (char const* name : {"laserRayGreen", "laserRoundGreen", "laserRoundRed"}) {
        gfx::ImageResource* image = find<gfx::ImageResource>(imagesGame, name);
        ASSERT_TRUE(image) << name;
        EXPECT_TRUE(image->getBitmask()) << name << " collides by its pixels";
    }
    ASSERT_TRUE(find<gfx::ImageResource>(imagesGui, "logo"));
    EXPECT_GT(find<gfx::ImageResource>(imagesGui, "logo")->height, 0u);

    struct Expected {
        char const* name;
        int frames; // 0: any number
    };
    std::vector<Expected> expected = {
        {"player1", 11},      {"player2", 11},      {"foeLeft", 12},       {"foeRight", 12},
        {"engine", 0},        {"engineStutter", 0}, {"shield", 0},         {"asteroidSmall", 0},
        {"asteroidLarge", 0}, {"crystal", 0},       {"container_0", 0},    {"container_1", 0},
        {"container_2", 0},   {"extraFireRate", 0}, {"extraLaserType", 0}, {"extraSpeedup", 0},
        {"extraShield", 0},   {"extraScore", 0},    {"extraTimeWarp", 0},  {"explosionFast", 0},
        {"explosionSlow", 0}};
    for (Expected const& e : expected) {
        gfx::Animation* animation = find<gfx::Animation>(animations, e.name);
        ASSERT_TRUE(animation) << e.name;
        ASSERT_FALSE(animation->frames.empty()) << e.name;
        if (e.frames) {
            EXPECT_EQ(static_cast<size_t>(e.frames), animation->frames.size()) << e.name;
        }
        for (gfx::AnimationFrame const& frame : animation->frames)
            EXPECT_TRUE(frame.image) << e.name << " has a frame without an image";
    }
    // An explosion that loops would never be deleted, and its stage could never end.
    EXPECT_FALSE(find<gfx::Animation>(animations, "explosionFast")->loop);
    EXPECT_FALSE(find<gfx::Animation>(animations, "explosionSlow")->loop);
    // The ships bank by code: their frames never advance on their own.
    EXPECT_FALSE(find<gfx::Animation>(animations, "player1")->loop);

    // The HUD images are overlays drawn at one point: one size, one hot spot.
    gfx::ImageResource* full = find<gfx::ImageResource>(imagesHud, "full");
    ASSERT_TRUE(full);
    for (std::string const& name : hudNames()) {
        gfx::ImageResource* image = find<gfx::ImageResource>(imagesHud, name);
        ASSERT_TRUE(image) << name;
        EXPECT_EQ(full->width, image->width) << name;
        EXPECT_EQ(full->height, image->height) << name;
        EXPECT_EQ(full->hotspot, image->hotspot) << name;
    }

    auto it = fontBank->resources.find(fonts::FontDescriptor("Standard", 33, 0));
    ASSERT_NE(fontBank->resources.end(), it);
    auto* standard = dynamic_cast<fonts::BitmapFont*>(it->second);
    ASSERT_TRUE(standard);
    EXPECT_LE(standard->firstChar, 32);
    EXPECT_GE(standard->firstChar + standard->count - 1, 126);
    for (int c = 33; c <= 126; ++c)
        EXPECT_GT(standard->widths[c - standard->firstChar], 0) << "glyph " << c;
    // High-score rows: 17 hyphens and a six-digit score in 230 pixels, 30 pixels apart.
    EXPECT_LE(standard->getWidth("----------------- 999999"), 230);
    EXPECT_LT(standard->getHeight(), 30u);
}

TEST(DataSetAL, EverySampleAndTrackDecodes) {
    audio::init("", 44100);
    auto data = std::make_unique<DataSet>();
    auto* sounds = data->bank<audio::SampleBank>("sounds");
    auto* music = data->bank<audio::SampleBank>("music");
    ASSERT_TRUE(sounds && music);
    auto decodes = [](audio::Sample* sample, int channels) {
        std::unique_ptr<audio::FileLoader> loader(audio::getFileLoader(sample->filename));
        int size = loader->getSize();
        char* pcm = loader->read(&size, false);
        EXPECT_TRUE(pcm) << sample->filename;
        EXPECT_GT(size, 0) << sample->filename;
        EXPECT_EQ(channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16, loader->getFormat())
            << sample->filename;
        EXPECT_EQ(44100, loader->getFrequency()) << sample->filename;
    };
    for (char const* name :
         {"explosion", "laser", "ping", "extra", "timewarp", "menu_move", "menu_click"}) {
        audio::Sample* sample = find<audio::Sample>(sounds, name);
        ASSERT_TRUE(sample) << name;
        EXPECT_TRUE(dynamic_cast<audio::CachedSample*>(sample)) << name;
        decodes(sample, 1);
    }
    for (char const* name :
         {"music_title_intro", "music_title_loop", "music_game_a_intro", "music_game_a_loop",
          "music_game_b_intro", "music_game_b_loop", "music_death", "music_highscores_intro",
          "music_highscores_loop", "music_gameover_intro", "music_gameover_loop"}) {
        audio::Sample* track = find<audio::Sample>(music, name);
        ASSERT_TRUE(track) << name;
        EXPECT_TRUE(dynamic_cast<audio::StreamedSample*>(track)) << name << " streams";
        decodes(track, 2);
    }
    testutil::LogCapture log;
    for (auto& entry : sounds->resources)
        entry.second->refresh();
    EXPECT_EQ(std::string::npos, log.text().find("(error)")) << log.text();
    for (auto& entry : sounds->resources)
        EXPECT_NE(0u, dynamic_cast<audio::CachedSample*>(entry.second)->buffer) << entry.first;
    data.reset();
    audio::cleanUp();
}

TEST(DataSet, PanelsFitTheirPlacesAt800By600) {
    DataSet data;
    auto* root = data.bank<gui::GUI>("gui");
    auto* imagesGui = data.bank<gfx::ImageBank>("imagesGui");
    ASSERT_TRUE(root && imagesGui);
    gfx::ImageResource* logo = find<gfx::ImageResource>(imagesGui, "logo");
    ASSERT_TRUE(logo);
    // The menu's panels are centred in the band below the logo, which stands 10 pixels below
    // the top; the others on the whole screen.
    float band = 600.0f - static_cast<float>(logo->height) - 10.0f;
    for (char const* name : {"pMainMenu", "pSettings", "pCredits", "pSoundSettings", "pQuit"}) {
        auto* pane = dynamic_cast<gui::Pane*>((*root)[name]);
        ASSERT_TRUE(pane) << name;
        EXPECT_LE(pane->width, 800.0f) << name;
        EXPECT_LE(pane->height, band) << name;
    }
    for (char const* name : {"pControls", "pGetKey", "pEnterName", "pInGame"}) {
        auto* pane = dynamic_cast<gui::Pane*>((*root)[name]);
        ASSERT_TRUE(pane) << name;
        EXPECT_LE(pane->width, 800.0f) << name;
        EXPECT_LE(pane->height, 600.0f) << name;
    }
    // A name longer than the high-score table's default would run out of its column.
    auto* field = dynamic_cast<gui::Textfield*>((*root)["tfEnterName"]);
    ASSERT_TRUE(field);
    EXPECT_EQ(17u, field->getMaxLength());
}
