#include "quellon/src/menu.h"

#include "quellon/src/game.h"
#include "quellon/src/resources.h"
#include "quellon/src/tuning.h"

#include "ravek/src/audio/music.h"
#include "ravek/src/controls.h"
#include "ravek/src/gfx/animations.h"
#include "ravek/src/gfx/fonts.h"
#include "ravek/src/gfx/images.h"
#include "ravek/src/gfx/sprites.h"
#include "ravek/src/gui/containers.h"
#include "ravek/src/gui/core.h"
#include "ravek/src/gui/standard.h"

namespace quellon {

namespace {

enum Code {
    codeBack = 1,
    codeConfirm = 2,
    codeStartA = 100,
    codeStartB = 101,
    codeStartMulti = 102,
    codeSettings = 103,
    codeCredits = 104
};

enum Page { pageMenu = 0, pageSingleScores = 1, pageMultiScores = 2, pageLegend = 3 };

ravek::Color const YELLOW(1.0f, 1.0f, 0.0f, 1.0f);
char const* const HIGHSCORES_HEADER = "----- H I G H S C O R E S -----";

struct LegendRow {
    float spriteX, spriteY;
    ravek::gfx::Animation* Resources::*animation;
    char const* caption;
    float captionX, captionY;
    // A second line with the points when `points` is set, else `line`.
    char const* line;
    int const Specs::*points;
    float lineX, lineY;
};

LegendRow const LEGEND[] = {
    {50, 530, &Resources::extraSpeedup, "Upgrade", 100, 530, "Speed", nullptr, 100, 500},
    {250, 530, &Resources::extraFireRate, "Upgrade", 300, 530, "Fire Rate", nullptr, 300, 500},
    {450, 530, &Resources::extraLaserType, "Upgrade", 500, 530, "Laser Type", nullptr, 500, 500},
    {100, 430, &Resources::extraShield, "Energy", 150, 430, "Shield", nullptr, 150, 400},
    {300, 430, &Resources::extraTimeWarp, "Weapon", 350, 430, "Time Warp", nullptr, 350, 400},
    {150, 330, nullptr, "Container", 200, 330, "Upgrade", nullptr, 200, 300},
    {350, 330, nullptr, "Container", 400, 330, "Energy", nullptr, 400, 300},
    {550, 330, nullptr, "Container", 600, 330, "Weapon", nullptr, 600, 300},
    {190, 190, &Resources::asteroidSmall, "Small Asteroid", 250, 180, nullptr,
     &Specs::pointsAsteroidSmall, 250, 150},
    {520, 180, &Resources::asteroidLarge, "Large Asteroid", 600, 180, nullptr,
     &Specs::pointsAsteroidLarge, 600, 150},
    {190, 80, &Resources::foeLeft, "Pirate", 250, 80, nullptr, &Specs::pointsFoe, 250, 50},
    {540, 80, &Resources::extraScore, "Crystal", 600, 80, nullptr, &Specs::pointsCrystal, 600, 50},
};

// The rows 5 to 7 show the three containers.
ravek::gfx::Animation* legendAnimation(int row) {
    if (LEGEND[row].animation)
        return resources->*LEGEND[row].animation;
    return resources->container[row - 5];
}

void printAt(float x, float y, ravek::JustificationHorizontal h, char const* text) {
    ravek::resetCursor();
    ravek::moveCursor(ravek::basic_Vector2D<float>(x, y));
    resources->fontStandard->print(h, text);
}

} // namespace

Menu::Menu()
    : page(pageMenu), idleCountdown(specs.menuIdleTime), legend(nullptr),
      returnFocus(resources->btnSinglePlayerA) {
    resources->initMenu();
}

Menu::~Menu() {
    if (legend) {
        // The engine does not own its sprites.
        std::list<ravek::sprites::Sprite*> sprites = legend->sprites;
        legend->clear();
        for (ravek::sprites::Sprite* sprite : sprites)
            delete sprite;
        delete legend;
        legend = nullptr;
    }
    if (resources->musicManager)
        resources->musicManager->stop();
    resources->uninitMenu();
    menu = nullptr;
}

void Menu::activate() {
    GameState::activate();
    resources->evaluatorMenu->active = resources->imagesLoaded;
    resources->gui->Evaluator::active = true;
    ravek::setClearColor(ravek::Color(0.0f, 0.0f, 0.0f, 0.0f));
    ravek::getElapsedTicks();
    if (!resources->imagesLoaded) {
        resources->pCredits->setVisible(true);
    } else {
        resources->pMainMenu->setVisible(true);
        returnFocus->setFocused(true);
    }
    resources->gui->setActive(true);
    resources->gui->setVisible(true);
    startMusic();
}

void Menu::deactivate() {
    resources->pMainMenu->setVisible(false);
    resources->gui->setActive(false);
    resources->gui->setVisible(false);
    GameState::deactivate();
}

void Menu::startMusic() {
    ravek::audio::MusicManager* music = resources->musicManager;
    if (!music || resources->currentVolumeMusic <= 0)
        return;
    music->clearQueue();
    music->addAsLast(resources->music_title_intro);
    music->addAsLast(resources->music_title_loop);
    startQueuedMusic(music->isPlaying());
}

void Menu::closeWindowSoundSettings(bool confirm) {
    GameState::closeWindowSoundSettings(confirm);
    resources->pSettings->setVisible(true);
    resources->btnSoundSettings->setFocused(true);
}

void Menu::closeWindowControls(bool confirm) {
    ravek::InputEvaluator* edited = editedEvaluator;
    GameState::closeWindowControls(confirm);
    resources->pSettings->setVisible(true);
    if (edited == resources->evaluatorGamePlayerMulti[0])
        resources->btnControlsMultiplayer1->setFocused(true);
    else if (edited == resources->evaluatorGamePlayerMulti[1])
        resources->btnControlsMultiplayer2->setFocused(true);
    else
        resources->btnControlsSinglePlayer->setFocused(true);
}

void Menu::showPanel(ravek::gui::Component* hide, ravek::gui::Component* show,
                     ravek::gui::Component* focus) {
    hide->setVisible(false);
    show->setVisible(true);
    focus->setFocused(true);
}

void Menu::setPage(int newPage) {
    page = newPage;
    bool onMenu = page == pageMenu;
    resources->gui->setActive(onMenu);
    resources->gui->setVisible(onMenu);
}

void Menu::handleEvent(ravek::Trigger const* trigger) {
    switch (trigger->code) {
    case codeStartA:
    case codeStartB:
    case codeStartMulti:
    case codeSettings:
    case codeCredits:
        // The request of a main menu that closed earlier in the same frame (Escape and Return
        // together) would leave the newer panel open beside it.
        if (!resources->pMainMenu->getVisible())
            return;
        break;
    default:
        break;
    }
    switch (trigger->code) {
    case codeStartA:
    case codeStartB:
    case codeStartMulti: {
        ravek::gui::Button* buttons[] = {resources->btnSinglePlayerA, resources->btnSinglePlayerB,
                                         resources->btnMultiplayer};
        int type = trigger->code - codeStartA;
        returnFocus = buttons[type];
        // The game sets quellon::game itself; activating it deactivates the menu.
        Game* started = new Game(static_cast<GameType>(type));
        started->activate();
        return;
    }
    case codeSettings:
        showPanel(resources->pMainMenu, resources->pSettings, resources->btnSettingsDone);
        return;
    case codeCredits:
        showPanel(resources->pMainMenu, resources->pCredits, resources->pCredits);
        return;
    case codeConfirm:
        // On an attract page it brings the menu back, as back does: whatever panel waits
        // behind the page, nothing on screen asked to quit.
        if (page != pageMenu) {
            back(true);
            return;
        }
        // Return that no widget took: nothing is highlighted. It must never quit, nor open
        // the quit panel; on those panels it shows the highlight again.
        if (trigger->bank == resources->evaluatorMenu) {
            if (resources->pQuit->getVisible()) {
                resources->btnQuitNo->setFocused(true);
                return;
            }
            if (resources->pMainMenu->getVisible()) {
                returnFocus->setFocused(true);
                return;
            }
        } else if (resources->pQuit->getVisible()) {
            deleteRequested = true;
            return;
        }
        back(true);
        return;
    case codeBack:
        back(false);
        return;
    default:
        GameState::handleEvent(trigger);
    }
}

void Menu::back(bool confirm) {
    // Back (and a confirm that ends here) is work in the menu wherever it leads.
    idleCountdown = specs.menuIdleTime;
    if (page != pageMenu) {
        setPage(pageMenu);
        return;
    }
    if (closeWindows(confirm))
        return;
    if (resources->pGetKey->getVisible())
        return;
    if (resources->pSettings->getVisible()) {
        if (settingsChanged) {
            resources->saveSettings();
            settingsChanged = false;
        }
        showPanel(resources->pSettings, resources->pMainMenu, resources->btnSettings);
    } else if (resources->pCredits->getVisible() && resources->imagesLoaded) {
        showPanel(resources->pCredits, resources->pMainMenu, resources->btnCredits);
    } else if (resources->pQuit->getVisible()) {
        showPanel(resources->pQuit, resources->pMainMenu, resources->btnQuit);
    } else if (!resources->imagesLoaded) {
        deleteRequested = true;
    } else {
        showPanel(resources->pMainMenu, resources->pQuit, resources->btnQuitNo);
    }
}

void Menu::doPerform(int layer, unsigned int ms) {
    if (layer == 0 && resources->imagesLoaded) {
        if (page == pageLegend && legend)
            legend->perform(static_cast<float>(ms));
        if (resources->pGetKey->getVisible() || resources->gui->getMouseCaptured()) {
            // A key capture waits for its key, and a held press (a knob dragged) for its
            // release, however long the player takes.
            idleCountdown = specs.menuIdleTime;
        } else if (static_cast<int>(ms) < idleCountdown) {
            idleCountdown -= static_cast<int>(ms);
        } else {
            switch (page) {
            case pageMenu:
                setPage(pageSingleScores);
                idleCountdown = specs.attractHighscoreTime;
                break;
            case pageSingleScores:
                page = pageMultiScores;
                idleCountdown = specs.attractHighscoreTime;
                break;
            case pageMultiScores:
                page = pageLegend;
                idleCountdown = specs.attractLegendTime;
                break;
            default:
                setPage(pageMenu);
                idleCountdown = specs.menuIdleTime;
                break;
            }
        }
    }
    if (layer == 0 || layer == 1) {
        resources->gui->perform(resources->controlQueue, static_cast<float>(ms));
        ravek::particles::Starfield* stars = resources->starfield;
        if (stars)
            stars->speedFactor = approach(stars->speedFactor, specs.menuStarfieldSpeed,
                                          specs.starfieldEasing * static_cast<float>(ms));
        if (resources->imageLoader)
            resources->logoColor.alpha = resources->imageLoader->getProgressRelative();
    }
    GameState::doPerform(layer, ms);
}

void Menu::doDraw(int layer) {
    if (layer == 1 && resources->gui->getVisible() && !resources->pControls->getVisible()) {
        resources->renderContextGui.apply();
        ravek::resetCursor();
        resources->logoColor.apply();
        resources->logo->draw(resources->logoPosition, 0);
    } else if (layer == 2 && page != pageMenu && resources->fontStandard) {
        resources->renderContext.apply();
        Highscores& scores = resources->highscores;
        ravek::Color(1.0f, 1.0f, 1.0f, 1.0f).apply();
        if (page == pageSingleScores) {
            printAt(400, 530, ravek::JustificationHorizontal::center, HIGHSCORES_HEADER);
            printAt(200, 430, ravek::JustificationHorizontal::center, "Single Player Mode A");
            printAt(600, 430, ravek::JustificationHorizontal::center, "Single Player Mode B");
            displayHighscores(200, 230, &scores.singleA, -1, -1);
            displayHighscores(600, 230, &scores.singleB, -1, -1);
        } else if (page == pageMultiScores) {
            printAt(400, 530, ravek::JustificationHorizontal::center, HIGHSCORES_HEADER);
            printAt(400, 430, ravek::JustificationHorizontal::center, "Multiplayer");
            displayHighscores(400, 230, &scores.multi, -1, -1);
        } else {
            drawLegend();
        }
    }
    GameState::doDraw(layer);
}

void Menu::drawLegend() {
    ravek::Color(1.0f, 1.0f, 1.0f, 1.0f).apply();
    ravek::resetCursor();
    drawPicture(resources->hudFull, specs.hudPosition);
    for (LegendRow const& row : LEGEND)
        printAt(row.captionX, row.captionY, ravek::JustificationHorizontal::left, row.caption);
    YELLOW.apply();
    for (LegendRow const& row : LEGEND) {
        std::string line = row.points ? ravek::toStr(specs.*row.points) + " pts" : row.line;
        printAt(row.lineX, row.lineY, ravek::JustificationHorizontal::left, line.c_str());
    }
    ravek::resetCursor();
    if (legend)
        legend->draw();
}

void Menu::initSpritesHelp() {
    if (legend)
        return;
    legend = new ravek::sprites::SpriteEngine;
    for (int row = 0; row < static_cast<int>(sizeof LEGEND / sizeof LEGEND[0]); ++row) {
        auto* sprite = new ravek::sprites::ImageSprite(
            ravek::basic_Vector2D<float>(LEGEND[row].spriteX, LEGEND[row].spriteY), true, nullptr);
        ravek::gfx::AnimationReference* shown = sprite->setAnimation(legendAnimation(row), 1.0f);
        // The pirate shows its level flight.
        if (shown && LEGEND[row].animation == &Resources::foeLeft &&
            !shown->animation->frames.empty())
            shown->setFrame(&shown->animation->frames[0]);
        legend->addBack(sprite);
    }
}

} // namespace quellon
