// The game's data set, read through the engine's own banks: what the game does not check at its
// start (that every name it uses is there, with its type and a readable file, it does).
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
#include "ravek/src/ravek.h"
#include "ravek/src/resources.h"

#include "ravek/tests/gl_util.h"
#include "ravek/tests/test_util.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace ravek;

namespace {

// Reads resources.xml; the banks are deleted with it (the game keeps them for good). A bank or
// resource that is not there throws, failing the test.
struct DataSet : ResourceManager {
    DataSet() {
        testutil::LogCapture capture;
        load(QUELLON_SOURCE_DIR "/resources/resources.xml", "");
        log = capture.text();
    }
    ~DataSet() override {
        for (auto& bank : banks)
            delete bank.second;
    }
    template <typename T>
    T& bank(std::string const& name) {
        return dynamic_cast<T&>(*banks.at(name));
    }
    std::string log;
};

} // namespace

TEST(DataSet, DescriptionReadsWithoutComplaint) {
    DataSet data;
    for (char const* level : {"(error)", "(warning)", "(critical)"})
        EXPECT_EQ(std::string::npos, data.log.find(level)) << data.log;
}

TEST(DataSet, EvaluatorsCarryTheTriggersTheStatesSwitchOn) {
    DataSet data;
    // Code 0: there, whatever its code.
    struct {
        char const* evaluator;
        char const* trigger;
        int code;
    } const triggers[] = {
        {"evaluatorGamePlayer", "x", 202},    {"evaluatorGamePlayer", "y", 203},
        {"evaluatorGamePlayer", "fire", 204}, {"evaluatorGamePlayer", "timewarp", 206},
        {"evaluatorGamePlayer", "shield", 0}, {"evaluatorGamePlayer", "pause", 0},
        {"evaluatorCore", "back", 1},         {"evaluatorCore", "fullscreen", 3},
        {"evaluatorCore", "screenshot", 4},   {"evaluatorCore", "pause", 0},
        {"evaluatorMenu", "back", 1},         {"evaluatorMenu", "confirm", 2},
        {"evaluatorGameCore", "menu", 5}};
    for (auto const& t : triggers) {
        auto& evaluator = data.bank<InputEvaluator>(t.evaluator).resources;
        ASSERT_TRUE(evaluator.count(t.trigger)) << t.evaluator << " " << t.trigger;
        EXPECT_TRUE(!t.code || t.code == evaluator.at(t.trigger)->code)
            << t.evaluator << " " << t.trigger << " has code " << evaluator.at(t.trigger)->code;
    }

    // Steering: a key for each way and a joystick axis.
    for (char const* axis : {"x", "y"}) {
        std::set<float> values;
        bool joystick = false;
        for (Translator* translator :
             data.bank<InputEvaluator>("evaluatorGamePlayer").resources.at(axis)->translators) {
            if (auto* key = dynamic_cast<KeyTranslator*>(translator))
                values.insert(key->value);
            joystick = joystick || dynamic_cast<JoyAxisTranslator*>(translator);
        }
        EXPECT_EQ((std::set<float>{-1.0f, 1.0f}), values) << axis;
        EXPECT_TRUE(joystick) << axis;
    }

    // The README's controls table counts joysticks and buttons as the controls window shows
    // them ("Joy 0; Btn 0").
    std::string row = "joystick ";
    char const* const actions[] = {"fire", "shield", "timewarp", "pause"};
    for (char const* action : actions) {
        Trigger* trigger = data.bank<InputEvaluator>("evaluatorGamePlayer").resources.at(action);
        for (Translator* translator : trigger->translators)
            if (auto* button = dynamic_cast<JoyButtonTranslator*>(translator)) {
                if (action == actions[0])
                    row += std::to_string(button->joystick) + ": stick, buttons ";
                row += std::to_string(button->button) + " " +
                       (action == actions[2] ? "time warp" : action) +
                       (action == actions[3] ? "" : ", ");
                EXPECT_NE(std::string::npos,
                          trigger->joyToString(0, 0).find("Btn " + std::to_string(button->button)))
                    << action;
            }
    }
    EXPECT_NE(std::string::npos, testutil::readFile(QUELLON_SOURCE_DIR "/README.md").find(row))
        << row;
}

TEST(DataSetGL, ImagesAnimationsAndFontsLoadWithTheLooksTheGameNeeds) {
    testutil::Window window(800, 600);
    DataSet data;
    auto& imagesGame = data.bank<gfx::ImageBank>("imagesGame");
    auto& imagesHud = data.bank<gfx::ImageBank>("imagesHud");
    auto& imagesGui = data.bank<gfx::ImageBank>("imagesGui");
    auto& animations = data.bank<gfx::AnimationBank>("animationsGame").resources;
    auto& fontBank = data.bank<fonts::FontBank>("fonts");
    for (gfx::ImageBank* bank : {&imagesGame, &imagesHud, &imagesGui})
        bank->refresh(nullptr);
    fontBank.refresh();

    for (char const* name : {"laserRayGreen", "laserRoundGreen", "laserRoundRed"})
        EXPECT_TRUE(imagesGame.resources.at(name)->getBitmask()) << name << " collides by pixels";
    EXPECT_GT(imagesGui.resources.at("logo")->height, 0u);

    for (auto const& [name, animation] : animations) {
        EXPECT_FALSE(animation->frames.empty()) << name;
        for (gfx::AnimationFrame const& frame : animation->frames)
            EXPECT_TRUE(frame.image) << name << " has a frame without an image";
    }
    // The ships bank by code, a frame for each step: their frames never advance on their own.
    for (auto [name, frames] :
         {std::pair{"player1", 11}, {"player2", 11}, {"foeLeft", 12}, {"foeRight", 12}}) {
        EXPECT_EQ(static_cast<size_t>(frames), animations.at(name)->frames.size()) << name;
        EXPECT_FALSE(animations.at(name)->loop) << name;
    }
    // An explosion that loops would never be deleted, and its stage could never end.
    EXPECT_FALSE(animations.at("explosionFast")->loop);
    EXPECT_FALSE(animations.at("explosionSlow")->loop);

    // The HUD images are overlays drawn at one point: one size, one hot spot.
    gfx::ImageResource* full = imagesHud.resources.at("full");
    for (auto const& [name, image] : imagesHud.resources) {
        EXPECT_EQ(full->width, image->width) << name;
        EXPECT_EQ(full->height, image->height) << name;
        EXPECT_EQ(full->hotspot, image->hotspot) << name;
    }

    auto* standard = dynamic_cast<fonts::BitmapFont*>(
        fontBank.resources.at(fonts::FontDescriptor("Standard", 33, 0)));
    ASSERT_TRUE(standard);
    EXPECT_LE(standard->firstChar, 32);
    EXPECT_GE(standard->firstChar + standard->count - 1, 126);
    for (int c = 33; c <= 126; ++c)
        EXPECT_GT(standard->widths[c - standard->firstChar], 0) << "glyph " << c;
    // High-score rows: 17 hyphens and a six-digit score in 230 pixels, 30 pixels apart.
    EXPECT_LE(standard->getWidth("----------------- 999999"), 230);
    EXPECT_LT(standard->getHeight(), 30u);

    // A row as the tables draw it, rank right-justified at x - 105, name left-justified at
    // x - 100, score right-justified at x + 130, with x 200 and 600 on the single-player page:
    // the widest name the name entry takes ends clear of a seven-digit score, and the left
    // table's scores end before the right table's ranks.
    auto* field = dynamic_cast<gui::Textfield*>(data.bank<gui::GUI>("gui")["tfEnterName"]);
    ASSERT_TRUE(field);
    // The field takes every printable Latin-1 character (SDL's code is the byte), and only
    // those its font draws.
    std::string taken;
    for (unsigned short c = 32; c <= 255; ++c) {
        field->setCaption("");
        EXPECT_TRUE(field->keyDown(nullptr, SDLK_UNKNOWN, KMOD_NONE, c)) << c;
        if (field->getCaption() == std::string(1, static_cast<char>(c)))
            taken += static_cast<char>(c);
        bool printable = c <= 126 || c >= 160;
        EXPECT_EQ(printable, field->getCaption().size() == 1) << "character " << c;
    }
    field->setCaption("");
    unsigned char widest = '0';
    for (char c : taken)
        if (standard->getWidth(std::string(1, c).c_str()) >
            standard->getWidth(std::string(1, static_cast<char>(widest)).c_str()))
            widest = static_cast<unsigned char>(c);
    // The first and last lit window column of the text drawn alone.
    auto drawn = [&](float x, JustificationHorizontal h, std::string const& text) {
        RenderContext2D(basic_Vector2D<float>(800.0f, 600.0f)).apply();
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        clearScreen();
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        resetCursor();
        moveCursor(basic_Vector2D<float>(x, 300.0f));
        standard->print(h, text.c_str());
        std::vector<std::uint8_t> pixels = testutil::readPixels(0, 280, 800, 60);
        std::pair<int, int> lit(800, -1);
        for (size_t i = 0; i < pixels.size(); i += 4)
            if (pixels[i] | pixels[i + 1] | pixels[i + 2]) {
                int column = static_cast<int>(i / 4 % 800);
                lit = {std::min(lit.first, column), std::max(lit.second, column)};
            }
        return lit;
    };
    std::pair<int, int> name = drawn(100.0f, JustificationHorizontal::left,
                                     std::string(field->getMaxLength(), static_cast<char>(widest)));
    std::pair<int, int> score = drawn(330.0f, JustificationHorizontal::right, "9999999");
    ASSERT_GE(name.second, 100) << "nothing drawn";
    EXPECT_LT(name.second + 4, score.first)
        << field->getMaxLength() << " x character " << static_cast<int>(widest);
    // Every character taken but the blanks lights columns of its own; in a name it moves the
    // letters after it on by its width.
    for (char c : taken) {
        if (c == ' ' || c == '\xa0')
            continue;
        EXPECT_GE(drawn(100.0f, JustificationHorizontal::left, std::string(1, c)).second, 100)
            << "character " << static_cast<int>(static_cast<unsigned char>(c));
    }
    std::pair<int, int> plain = drawn(100.0f, JustificationHorizontal::left, "Abc");
    std::pair<int, int> accented =
        drawn(100.0f, JustificationHorizontal::left, std::string("Ab\xeb") + "c");
    EXPECT_EQ(plain.first, accented.first);
    EXPECT_EQ(plain.second + standard->getWidth("\xeb"), accented.second);
    EXPECT_GE(standard->getWidth("\xeb"), standard->getWidth("e"));
    EXPECT_LT(score.second, drawn(495.0f, JustificationHorizontal::right, "10.").first);
    EXPECT_LT(drawn(730.0f, JustificationHorizontal::right, "9999999").second, 800);
}

TEST(DataSetAL, EverySampleIsMonoEveryTrackStereoAt44100HzAndAllDecode) {
    audio::init("", 44100);
    auto data = std::make_unique<DataSet>();
    auto& sounds = data->bank<audio::SampleBank>("sounds");
    for (auto [bank, format] : {std::pair{&sounds, AL_FORMAT_MONO16},
                                {&data->bank<audio::SampleBank>("music"), AL_FORMAT_STEREO16}})
        for (auto const& [name, sample] : bank->resources) {
            std::unique_ptr<audio::FileLoader> loader(audio::getFileLoader(sample->filename));
            int size = loader->getSize();
            EXPECT_TRUE(loader->read(&size, false)) << name;
            EXPECT_GT(size, 0) << name;
            EXPECT_EQ(format, loader->getFormat()) << name;
            EXPECT_EQ(44100, loader->getFrequency()) << name;
        }
    // The effects are cached whole, in buffers of their own.
    testutil::LogCapture log;
    for (auto const& [name, sample] : sounds.resources)
        sample->refresh();
    EXPECT_EQ(std::string::npos, log.text().find("(error)")) << log.text();
    for (auto const& [name, sample] : sounds.resources) {
        auto* cached = dynamic_cast<audio::CachedSample*>(sample);
        ASSERT_TRUE(cached) << name;
        EXPECT_NE(0u, cached->buffer) << name;
    }
    data.reset();
    audio::cleanUp();
}

TEST(DataSet, PanelsFitTheirPlacesAt800By600) {
    DataSet data;
    auto& root = data.bank<gui::GUI>("gui");
    // The menu's panels are centred in the band below the logo, which stands 10 pixels below
    // the top; the others on the whole screen.
    float band = 600.0f - data.bank<gfx::ImageBank>("imagesGui").resources.at("logo")->height - 10;
    auto fit = [&](std::initializer_list<char const*> names, float height) {
        for (char const* name : names) {
            auto* pane = dynamic_cast<gui::Pane*>(root[name]);
            ASSERT_TRUE(pane) << name;
            EXPECT_LE(pane->width, 800.0f) << name;
            EXPECT_LE(pane->height, height) << name;
        }
    };
    fit({"pMainMenu", "pSettings", "pCredits", "pSoundSettings", "pQuit"}, band);
    fit({"pControls", "pGetKey", "pEnterName", "pInGame"}, 600.0f);
}
