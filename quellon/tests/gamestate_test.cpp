// The windows and triggers both states share, driven as a player drives them: keys and
// joystick input through the real control queue and GUI, triggers handed to the state as the
// main loop hands them.
#include "quellon/tests/hub_util.h"

#include "ravek/src/audio/music.h"
#include "ravek/src/audio/sources.h"
#include "ravek/src/gfx/sprites.h"
#include "ravek/src/gui/containers.h"
#include "ravek/src/gui/slider.h"
#include "ravek/src/gui/standard.h"
#include "ravek/src/gui/text.h"

#include "ravek/tests/gl_util.h"

#include <cstdio>

#include <sys/stat.h>

using quellon::resources;

namespace {

// A state with nothing of its own: what it receives is the shared handling.
class Shared : public quellon::GameState {
public:
    int musicStarts = 0;
    int drawnLayers = 0;
    std::vector<std::pair<int, float>> received;
    void startMusic() override { ++musicStarts; }
    void doDraw(int layer) override {
        ++drawnLayers;
        GameState::doDraw(layer);
    }
    void handleEvent(ravek::Trigger const* t) override {
        received.emplace_back(t->code, t->value);
        GameState::handleEvent(t);
    }
};

struct WindowsGL : qtest::HubTest {
    Shared state;

    // A trigger that a widget fires, queued as the widget would queue it.
    void fire(char const* name) {
        auto* gui = dynamic_cast<ravek::InputEvaluator*>(resources->banks.at("evaluatorGui"));
        ravek::queue << qtest::trigger(gui, name);
        qtest::handleEvents(&state);
    }
    void key(SDLKey k) {
        qtest::press(k);
        qtest::handleEvents(&state);
    }
    void push(SDL_Event e) {
        SDL_PushEvent(&e);
        qtest::handleEvents(&state);
    }
    bool focused(ravek::gui::Component* c) { return resources->gui->getFocused() == c; }
};

// The GUI takes input as it does while a window of the menu is open.
struct ControlsGL : WindowsGL {
    ControlsGL() {
        start();
        resources->gui->setActive(true);
        resources->gui->setVisible(true);
        resources->pSettings->setVisible(true);
    }

    // Opens the single player's controls window and asks for a binding by its button.
    void request(ravek::gui::Component* button) {
        fire("controlsSingle");
        ASSERT_TRUE(button);
        button->setFocused(true);
        key(SDLK_RETURN);
    }
    void request(char const* button) { request((*resources->pControls)[button]); }
    ravek::Trigger* working(char const* name) {
        return qtest::trigger(state.workingEvaluator, name);
    }
};

} // namespace

TEST_F(ControlsGL, EscapeInTheCaptureChangesNothingAndGivesTheFocusBack) {
    request(resources->btnControlsLeft);
    ASSERT_TRUE(resources->pGetKey->getVisible());
    EXPECT_EQ("Left", resources->lGetKeyTriggerName->getCaption());
    EXPECT_TRUE(focused(resources->icGetKey));
    // The pointer and clicks on the window's "OK" and "Cancel" around the prompt do nothing.
    for (Uint16 x : {296, 504}) {
        qtest::point(x, 512);
        qtest::click(x, 512);
        qtest::handleEvents(&state);
    }
    EXPECT_TRUE(resources->pGetKey->getVisible() && resources->pControls->getVisible());
    EXPECT_TRUE(focused(resources->icGetKey));
    std::string before = resources->labelControlsLeft->getCaption();
    key(SDLK_ESCAPE);
    EXPECT_FALSE(resources->pGetKey->getVisible());
    EXPECT_TRUE(resources->pControls->getVisible());
    EXPECT_TRUE(focused(resources->btnControlsLeft));
    EXPECT_EQ(before, resources->labelControlsLeft->getCaption());
    EXPECT_EQ("left", working("x")->keysToString(-1));
    EXPECT_FALSE(state.controlsChanged);
}

TEST_F(ControlsGL, BackspaceClearsOneDirectionAndAnAxisServesBoth) {
    request(resources->btnControlsLeft);
    key(SDLK_BACKSPACE);
    EXPECT_EQ("", working("x")->keysToString(-1));
    EXPECT_EQ("", working("x")->joyToString(-1, -1));
    EXPECT_EQ("right", working("x")->keysToString(1));
    EXPECT_NE("", working("x")->joyToString(1, 1));
    EXPECT_EQ("", resources->labelControlsLeft->getCaption());
    EXPECT_FALSE(state.controlsChanged);

    // A stick pushed for "Up" takes both directions of the vertical axis.
    request("btnControlsUp");
    push(testutil::joyAxis(1, 3, -20000));
    int bound = 0;
    for (ravek::Translator* t : working("y")->translators)
        if (auto* axis = dynamic_cast<ravek::JoyAxisTranslator*>(t)) {
            EXPECT_EQ(1, axis->joystick);
            EXPECT_EQ(3, axis->axis);
            ++bound;
        }
    EXPECT_EQ(2, bound);
    EXPECT_TRUE(state.controlsChanged);
    EXPECT_TRUE(qtest::has(resources->labelControlsDownJoy->getCaption(), "3"));
}

TEST_F(ControlsGL, KeysThatCannotBeKeptAreRefusedAndTheCaptureGoesOn) {
    request("btnControlsPause");
    EXPECT_TRUE(resources->lGetKeyHeaderAlternate->getVisible());
    EXPECT_FALSE(resources->lGetKeyHeader->getVisible());
    key(SDLK_k);
    EXPECT_TRUE(resources->pGetKey->getVisible());
    EXPECT_TRUE(resources->icGetKey->getEnabled());
    EXPECT_TRUE(focused(resources->icGetKey));
    EXPECT_EQ("", working("pause")->keysToString(0));
    key(SDLK_ESCAPE);

    // A key without a name could not be written to the settings file.
    request(resources->btnControlsFire);
    key(SDLK_WORLD_0);
    EXPECT_TRUE(resources->pGetKey->getVisible());
    EXPECT_EQ("space", working("fire")->keysToString(0));
    EXPECT_FALSE(state.controlsChanged);
}

TEST_F(ControlsGL, ConfirmedBindingFiresTheGameTriggerAndKeepsTriggerIdentity) {
    ravek::Trigger* fireTrigger = qtest::trigger(resources->evaluatorGamePlayerSingle, "fire");
    request(resources->btnControlsFire);
    // A slow frame brings the next key along: it moves the focus on from the row bound.
    qtest::press(SDLK_k);
    qtest::press(SDLK_DOWN);
    qtest::handleEvents(&state);
    EXPECT_EQ("k", resources->labelControlsFire->getCaption());
    EXPECT_TRUE(focused((*resources->pControls)["btnControlsShield"]));
    EXPECT_TRUE(state.controlsChanged);
    state.closeWindows(true);
    EXPECT_FALSE(state.workingEvaluator);
    EXPECT_TRUE(state.settingsChanged);
    EXPECT_EQ(fireTrigger, qtest::trigger(resources->evaluatorGamePlayerSingle, "fire"));
    EXPECT_EQ("k", fireTrigger->keysToString(0));

    // In a game: the new key fires with value 1, not the "off" of a value 0.
    resources->gui->setActive(false);
    resources->evaluatorGamePlayerSingle->active = true;
    state.received.clear();
    push(testutil::keyDown(SDLK_k));
    // Fire is held: the queue hands it on at every frame while the key is down.
    ravek::queue.perform(10.0f);
    qtest::handleEvents(&state);
    ASSERT_FALSE(state.received.empty());
    EXPECT_EQ(204, state.received.front().first);
    EXPECT_EQ(1.0f, state.received.front().second);
    push(testutil::keyUp(SDLK_k));
}

TEST_F(ControlsGL, CancelledBindingIsDiscardedButTheSettingsStillNeedSaving) {
    request(resources->btnControlsFire);
    key(SDLK_k);
    state.closeWindows(false);
    EXPECT_EQ("space",
              qtest::trigger(resources->evaluatorGamePlayerSingle, "fire")->keysToString(0));
    EXPECT_TRUE(state.settingsChanged);
    EXPECT_FALSE(resources->pControls->getVisible());
}

TEST_F(ControlsGL, RequestsAndLabelsForMissingTriggersAreIgnored) {
    fire("controlsSingle");
    delete working("timewarp");
    state.updateKeyLabels();
    EXPECT_EQ("", resources->labelControlsTimeWarp->getCaption());
    testutil::LogCapture log;
    ravek::gui::Component* timewarp = (*resources->pControls)["btnControlsTimeWarp"];
    ASSERT_TRUE(timewarp);
    timewarp->setFocused(true);
    key(SDLK_RETURN);
    EXPECT_TRUE(qtest::has(log.text(), "timewarp"));
    EXPECT_FALSE(resources->pGetKey->getVisible());
}

TEST_F(ControlsGL, WindowRequestsOfAPanelClosedInTheSameFrameAreDropped) {
    resources->pSettings->setVisible(false);
    fire("controlsSingle");
    fire("soundSettings");
    EXPECT_FALSE(resources->pControls->getVisible());
    EXPECT_FALSE(resources->pSoundSettings->getVisible());
    EXPECT_FALSE(state.workingEvaluator);
    // The pause menu holds the same buttons.
    resources->pInGame->setVisible(true);
    fire("soundSettings");
    EXPECT_TRUE(resources->pSoundSettings->getVisible());
    state.closeWindows(false);
}

TEST_F(ControlsGL, SoundSliderPlaysOnceForEachChangedValue) {
    fire("soundSettings");
    ASSERT_TRUE(resources->pSoundSettings->getVisible());
    resources->sVolumeSounds->setFocused(true);
    unsigned plays = resources->poolMenu->playCounter;
    key(SDLK_LEFT);
    EXPECT_EQ(65, resources->currentVolumeSfx);
    EXPECT_EQ("65", resources->lVolumeSoundsValue->getCaption());
    EXPECT_EQ(plays + 1, resources->poolMenu->playCounter);
    EXPECT_FLOAT_EQ(0.65f, resources->poolGame->getVolume());
    // Set back to the value in force: nothing to hear.
    resources->sVolumeSounds->value = 65;
    fire("volumeSounds");
    EXPECT_EQ(plays + 1, resources->poolMenu->playCounter);
    // Cancel puts the volumes in force back to the settings.
    state.closeWindows(false);
    EXPECT_EQ(70, resources->currentVolumeSfx);
    EXPECT_FLOAT_EQ(0.7f, resources->poolMenu->getVolume());
    EXPECT_EQ(70, resources->settings.volumeSfx);
}

TEST_F(WindowsGL, MusicRaisedFromZeroStartsAndConfirmedAtZeroEnds) {
    dir.write("settings.xml", "<settings><sound volumeMusic=\"0\"/></settings>");
    start();
    state.showWindowSoundSettings();
    resources->sVolumeMusic->value = 40;
    fire("volumeMusic");
    ASSERT_TRUE(resources->musicManager);
    EXPECT_EQ(1, state.musicStarts);
    EXPECT_EQ(40, resources->currentVolumeMusic);
    EXPECT_FLOAT_EQ(0.4f, resources->musicManager->volume);
    resources->sVolumeMusic->value = 0;
    fire("volumeMusic");
    EXPECT_TRUE(resources->musicManager);
    state.closeWindows(true);
    EXPECT_FALSE(resources->musicManager);
    EXPECT_EQ(0, resources->settings.volumeMusic);
}

TEST_F(WindowsGL, FullScreenWaitsForTheImagesThenReuploadsThem) {
    start(false);
    resources->settings.fullscreen = false;
    auto* asteroid = dynamic_cast<ravek::gfx::SingleTextureImage*>(
        resources->imagesGame->resources.at("asteroidSmall_00"));
    fire("fullscreen");
    EXPECT_TRUE(resources->settings.fullscreen);
    EXPECT_TRUE(resources->cbFullscreen->getChecked());
    EXPECT_TRUE(resources->cbInGameFullscreen->getChecked());
    EXPECT_FALSE(ravek::fullscreen);

    qtest::finishLoading();
    ASSERT_NE(0u, asteroid->texture);
    // The picture moves under the pointer: the GUI takes its real position at once, and what
    // lies there takes the hover.
    ravek::gui::GUI* gui = resources->gui;
    gui->setActive(true);
    gui->setVisible(true);
    resources->pSettings->setVisible(true);
    resources->cbFullscreen->setFocused(true);
    gui->getMouseCursor()->position = ravek::basic_Vector2D<float>(13.0f, 7.0f);
    fire("fullscreen");
    int mouseX = 0, mouseY = 0;
    SDL_GetMouseState(&mouseX, &mouseY);
    ravek::basic_Vector2D<float> at = gui->pointerPoint(mouseX, mouseY);
    EXPECT_EQ(at, gui->getMouseCursor()->position);
    ravek::gui::Component* under = gui->find(at);
    EXPECT_EQ(under ? under : resources->cbFullscreen, gui->getFocused());
    EXPECT_FALSE(resources->settings.fullscreen);
    EXPECT_FALSE(resources->cbFullscreen->getChecked());
    // The new mode has new textures, uploaded again.
    EXPECT_NE(0u, asteroid->texture);
    EXPECT_TRUE(glIsTexture(asteroid->texture));

    // A mode the display refuses leaves the old one with the setting and the boxes.
    resources->settings.xRes = -1;
    testutil::LogCapture log;
    fire("fullscreen");
    EXPECT_TRUE(qtest::has(log.text(), "(error)"));
    EXPECT_FALSE(resources->settings.fullscreen);
    EXPECT_FALSE(resources->cbFullscreen->getChecked());
    EXPECT_TRUE(glIsTexture(asteroid->texture));
}

TEST_F(WindowsGL, EveryFrameIsDrawnWhateverSDLLastSaidOfTheWindow) {
    start(false);
    // SDL's report of the window unmapped or minimised: SDL 1.2 drops it when its queue is full
    // and changes its own state all the same, so no report may keep the picture standing still.
    SDL_Event hidden = {};
    hidden.type = SDL_ACTIVEEVENT;
    hidden.active.state = SDL_APPACTIVE | SDL_APPINPUTFOCUS;
    push(hidden);
    ASSERT_TRUE(resources->imageLoader);
    unsigned int loaded = resources->imageLoader->progress;
    state.draw();
    EXPECT_EQ(3, state.drawnLayers);
    EXPECT_GT(resources->imageLoader->progress, loaded);
}

TEST_F(WindowsGL, LayersWrapThePhaseAndDeleteQueuedSpritesEvenWhenPaused) {
    start();
    state.doPerform(0, 1000);
    EXPECT_FLOAT_EQ(1.0f, state.highlightPhase);
    state.doPerform(0, 0);
    EXPECT_FLOAT_EQ(1.0f, state.highlightPhase);
    state.doPerform(0, 7000);
    EXPECT_NEAR(8.0f - 2 * 3.141592654f, state.highlightPhase, 1e-4);

    state.paused = true;
    std::vector<float> stars = resources->starfield->stars;
    auto* sprite = new ravek::sprites::ImageSprite(ravek::basic_Vector2D<float>(), true, nullptr);
    quellon::deleteQueue.push_back(sprite);
    quellon::deleteQueue.push_back(sprite);
    state.doPerform(2, 500);
    EXPECT_TRUE(quellon::deleteQueue.empty());
    EXPECT_EQ(stars, resources->starfield->stars);
    state.paused = false;
    state.doPerform(2, 500);
    EXPECT_NE(stars, resources->starfield->stars);
}

TEST_F(WindowsGL, ScreenshotOfTheLastFrameAndNoneInAReadOnlyDirectory) {
    start();
    for (int layer = 0; layer < 3; ++layer)
        state.doDraw(layer);
    auto screenshot = [&] {
        ravek::queue << qtest::trigger(resources->evaluatorCore, "screenshot");
        qtest::handleEvents(&state);
    };
    screenshot();
    testutil::PngFile png = testutil::readPng(dir.file("screenshot.png"));
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(800u, png.width);
    EXPECT_EQ(600u, png.height);

    // A file that cannot be written, whoever runs the test: its name is taken by a directory.
    ASSERT_EQ(0, remove(dir.file("screenshot.png").c_str()));
    ASSERT_EQ(0, mkdir(dir.file("screenshot.png").c_str(), 0755));
    testutil::LogCapture log;
    screenshot();
    EXPECT_TRUE(qtest::has(log.text(), "Could not save the screenshot"));
}
