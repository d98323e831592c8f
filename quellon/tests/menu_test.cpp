// The title menu with fixed frame lengths: its attract cycle, its panels, and the way back
// from a game.
#include "quellon/tests/hub_util.h"

#include "quellon/src/game.h"
#include "quellon/src/menu.h"
#include "quellon/src/resources.h"

#include "ravek/src/controls.h"
#include "ravek/src/gui/containers.h"
#include "ravek/src/gui/slider.h"
#include "ravek/src/gui/standard.h"

#include <gtest/gtest.h>

using quellon::menu;
using quellon::resources;

namespace {

// The menu as the program makes it, current, with the images loaded unless asked otherwise.
struct MenuGL : ::testing::Test {
    qtest::WorkDir dir;
    qtest::Hub hub;

    explicit MenuGL(bool loaded = true) : hub(800, 600, false) {
        menu = new quellon::Menu;
        menu->activate();
        if (loaded)
            qtest::finishLoading();
    }
    ~MenuGL() override {
        delete menu;
        ravek::application->currentState = nullptr;
    }

    void fire(char const* name) {
        auto* gui = dynamic_cast<ravek::InputEvaluator*>(resources->banks.at("evaluatorGui"));
        ravek::queue << gui->resources.at(name);
        qtest::handleEvents(menu);
    }
    void frames(int count, unsigned ms) {
        for (int i = 0; i < count; ++i)
            menu->perform(ms);
    }
    ravek::gui::Component* focused() { return resources->gui->getFocused(); }
};

struct LoadingMenuGL : MenuGL {
    LoadingMenuGL() : MenuGL(false) {}
};

} // namespace

TEST_F(MenuGL, IdleMenuShowsTheHighScoresAndTheLegendThenReturns) {
    frames(299, 100);
    EXPECT_EQ(0, menu->page);
    frames(1, 100);
    EXPECT_EQ(1, menu->page);
    EXPECT_FALSE(resources->gui->getVisible());
    frames(200, 100);
    EXPECT_EQ(2, menu->page);
    frames(200, 100);
    EXPECT_EQ(3, menu->page);
    EXPECT_EQ(12u, menu->legend->size());
    frames(599, 100);
    EXPECT_EQ(3, menu->page);
    frames(1, 100);
    EXPECT_EQ(0, menu->page);
    EXPECT_TRUE(resources->gui->getVisible());

    // Working the menu keeps the pages away, with keys or the mouse (hovering moves no focus
    // within a button, and tells no callback over several); back from a page returns at once.
    frames(250, 100);
    quellon::callback.onMove();
    frames(250, 100);
    for (Uint16 y : {256, 258, 302}) {
        qtest::point(400, y);
        qtest::handleEvents(menu);
        frames(250, 100);
    }
    EXPECT_EQ(0, menu->page);
    frames(60, 100);
    EXPECT_EQ(1, menu->page);
    fire("back");
    EXPECT_EQ(0, menu->page);
    EXPECT_TRUE(resources->gui->getVisible());
    EXPECT_EQ(30000, menu->idleCountdown);

    // A key capture waits for its key however long the player takes.
    fire("settings");
    fire("controlsSingle");
    fire("getKeyFire");
    frames(600, 100);
    EXPECT_EQ(0, menu->page);
    EXPECT_TRUE(resources->pGetKey->getVisible());
    qtest::press(SDLK_v);
    qtest::handleEvents(menu);
    EXPECT_FALSE(resources->pGetKey->getVisible());
    EXPECT_TRUE(menu->controlsChanged);

    // So does a press held on the volume's knob. Esc closing the window calls the press off:
    // the knob follows the pointer no more.
    fire("back");
    fire("soundSettings");
    ravek::gui::Slider<int>* volume = resources->sVolumeSounds;
    ravek::basic_Rect<float> knob = volume->calculateHandle();
    ravek::basic_Vector2D<float> origin = volume->getRelativeCoordinates({0.0f, 0.0f});
    auto x = static_cast<Uint16>(knob.x + knob.width / 2 - origin.x);
    auto y = static_cast<Uint16>(600 - (knob.y + knob.height / 2 - origin.y));
    qtest::button(true, x, y);
    qtest::handleEvents(menu);
    ASSERT_EQ(volume, resources->gui->getMouseCaptured());
    frames(600, 100);
    EXPECT_EQ(0, menu->page);
    fire("back");
    qtest::point(x - 100, y);
    qtest::button(false, x - 100, y);
    qtest::handleEvents(menu);
    EXPECT_EQ(70, volume->value);
    EXPECT_EQ(70, resources->currentVolumeSfx);
}

TEST_F(LoadingMenuGL, BackOrConfirmWhileTheImagesLoadEndsTheProgramAndTheLogoFadesIn) {
    EXPECT_TRUE(resources->pCredits->getVisible());
    EXPECT_FALSE(resources->evaluatorMenu->active);
    frames(1000, 100);
    EXPECT_EQ(0, menu->page);
    fire("confirm");
    EXPECT_TRUE(menu->deleteRequested);
    menu->deleteRequested = false;
    fire("back");
    EXPECT_TRUE(menu->deleteRequested);
    menu->deleteRequested = false;

    // The logo fades in with the loading and stands at full alpha once it is done, whatever
    // the last frame of the loading saw.
    while (resources->imageLoader->getProgressRelative() == 0.0f)
        ravek::perform(SDL_GetTicks() + 1);
    frames(1, 10);
    float progress = resources->imageLoader->getProgressRelative();
    EXPECT_GT(1.0f, progress);
    EXPECT_EQ(progress, resources->logoColor.alpha);
    qtest::finishLoading();
    frames(1, 10);
    EXPECT_EQ(1.0f, resources->logoColor.alpha);
}

TEST_F(MenuGL, BackOpensTheQuitPanelAndBackAgainClosesIt) {
    EXPECT_EQ(static_cast<ravek::gui::Component*>(resources->btnSinglePlayerA), focused());
    // A click acts where the pointer is: on "Credits", though Down took the highlight on to
    // "Quit". (In one go: another test's window coming or going moves the pointer too.)
    qtest::point(400, 440);
    qtest::press(SDLK_DOWN);
    qtest::click(400, 440);
    qtest::handleEvents(menu);
    EXPECT_TRUE(resources->pCredits->getVisible());
    EXPECT_FALSE(resources->pQuit->getVisible());
    fire("back");
    resources->btnSinglePlayerA->setFocused(true);
    // Back is work in the menu too: the pages do not come right over the panel it opens.
    frames(290, 100);
    fire("back");
    frames(100, 100);
    EXPECT_EQ(0, menu->page);
    EXPECT_TRUE(resources->pQuit->getVisible());
    EXPECT_FALSE(resources->pMainMenu->getVisible());
    EXPECT_EQ(static_cast<ravek::gui::Component*>(resources->btnQuitNo), focused());
    fire("back");
    EXPECT_FALSE(resources->pQuit->getVisible());
    EXPECT_TRUE(resources->pMainMenu->getVisible());
    EXPECT_EQ(static_cast<ravek::gui::Component*>(resources->btnQuit), focused());
    EXPECT_FALSE(menu->deleteRequested);
    // Return that no widget takes (nothing highlighted) shows the highlight again: it neither
    // opens the quit panel nor quits.
    for (ravek::gui::Component* panel : {resources->pMainMenu, resources->pQuit}) {
        panel->setFocused(true);
        qtest::press(SDLK_RETURN);
        qtest::handleEvents(menu);
        EXPECT_TRUE(panel->getVisible());
        EXPECT_EQ(panel == resources->pQuit ? resources->btnQuitNo : resources->btnSinglePlayerA,
                  static_cast<ravek::gui::Button*>(focused()));
        EXPECT_FALSE(menu->deleteRequested);
        fire("back");
    }
    // On an attract page over the quit panel ("No" highlighted), Return brings the menu back.
    fire("back");
    frames(300, 100);
    ASSERT_EQ(1, menu->page);
    qtest::press(SDLK_RETURN);
    qtest::handleEvents(menu);
    EXPECT_EQ(0, menu->page);
    EXPECT_TRUE(resources->pQuit->getVisible());
    EXPECT_FALSE(menu->deleteRequested);
    fire("confirm");
    EXPECT_TRUE(menu->deleteRequested);
}

TEST_F(MenuGL, LeavingTheSettingsAfterAChangeSavesThem) {
    fire("settings");
    EXPECT_EQ(static_cast<ravek::gui::Component*>(resources->btnSettingsDone), focused());
    fire("controlsMulti2");
    resources->evaluatorGamePlayerMulti[1]->resources.at("fire")->clearKeyTranslators(0);
    menu->controlsChanged = true;
    menu->closeWindows(true);
    EXPECT_EQ(static_cast<ravek::gui::Component*>(resources->btnControlsMultiplayer2), focused());
    EXPECT_TRUE(resources->pSettings->getVisible());
    fire("back");
    EXPECT_TRUE(resources->pMainMenu->getVisible());
    EXPECT_FALSE(menu->settingsChanged);
    EXPECT_NE(std::string::npos, dir.read("settings.xml").find("<controls name=\"multi 2\">"));
}

TEST_F(MenuGL, ReturningFromAGameFocusesTheButtonThatStartedIt) {
    fire("startMultiplayer");
    ASSERT_TRUE(quellon::game);
    EXPECT_EQ(static_cast<ravek::ApplicationState*>(quellon::game),
              ravek::application->currentState);
    EXPECT_EQ(quellon::multiPlayer, quellon::game->gameType);
    EXPECT_FALSE(resources->pMainMenu->getVisible());
    delete quellon::game;
    EXPECT_FALSE(quellon::game);
    EXPECT_EQ(static_cast<ravek::ApplicationState*>(menu), ravek::application->currentState);
    EXPECT_TRUE(resources->pMainMenu->getVisible());
    EXPECT_EQ(static_cast<ravek::gui::Component*>(resources->btnMultiplayer), focused());
}

TEST_F(MenuGL, BackInTheFrameOfABindingRequestClosesTheCaptureWithTheWindow) {
    fire("settings");
    // Both in one batch, which keys never make: the triggers of a key go before the next key.
    auto* gui = dynamic_cast<ravek::InputEvaluator*>(resources->banks.at("evaluatorGui"));
    ravek::Trigger* request = gui->resources.at("getKeyLeft");
    ravek::Trigger* back = gui->resources.at("back");
    for (bool requestFirst : {true, false}) {
        fire("controlsSingle");
        testutil::LogCapture log;
        ravek::queue << (requestFirst ? request : back);
        ravek::queue << (requestFirst ? back : request);
        qtest::handleEvents(menu);
        EXPECT_FALSE(resources->pControls->getVisible());
        EXPECT_FALSE(resources->pGetKey->getVisible());
        EXPECT_TRUE(resources->pSettings->getVisible());
        EXPECT_EQ("", log.text());
    }
    fire("back");
    EXPECT_TRUE(resources->pMainMenu->getVisible());
}

TEST_F(MenuGL, RequestsOfAMainMenuClosedInTheSameFrameAreDropped) {
    auto* gui = dynamic_cast<ravek::InputEvaluator*>(resources->banks.at("evaluatorGui"));
    for (char const* request : {"startGameA", "settings", "credits"}) {
        ravek::queue << gui->resources.at("back");
        ravek::queue << gui->resources.at(request);
        qtest::handleEvents(menu);
        EXPECT_FALSE(quellon::game) << request;
        EXPECT_TRUE(resources->pQuit->getVisible()) << request;
        EXPECT_FALSE(resources->pSettings->getVisible()) << request;
        EXPECT_FALSE(resources->pCredits->getVisible()) << request;
        fire("back");
        EXPECT_TRUE(resources->pMainMenu->getVisible());
    }
}
