#include "quellon/src/gamestate.h"

#include "quellon/src/menu.h"
#include "quellon/src/resources.h"
#include "quellon/src/tuning.h"

#include "ravek/src/audio/music.h"
#include "ravek/src/audio/sources.h"
#include "ravek/src/controls.h"
#include "ravek/src/debug.h"
#include "ravek/src/gfx/fonts.h"
#include "ravek/src/gfx/sprites.h"
#include "ravek/src/gui/containers.h"
#include "ravek/src/gui/slider.h"
#include "ravek/src/gui/standard.h"
#include "ravek/src/gui/text.h"

#include <SDL/SDL.h>

#include <cmath>
#include <set>

namespace quellon {

class Game;

Game* game = nullptr;
Menu* menu = nullptr;
std::list<ravek::sprites::Sprite*> deleteQueue;
GUICallback callback;

namespace {

float const PI = 3.141592654f;

// The trigger codes both states handle here.
enum Code {
    codeBack = 1,
    codeFullscreen = 3,
    codeScreenshot = 4,
    codeControlsSingle = 120,
    codeControlsMulti = 121,
    codeCaptureRequest = 122,
    codeCapturedKey = 123,
    codeCapturedJoyButton = 124,
    codeCapturedJoyAxis = 125,
    codeSoundSettings = 126,
    codeVolumeSounds = 127,
    codeVolumeMusic = 128,
    codeSteerX = 202,
    codeSteerY = 203
};

ravek::Trigger* triggerOf(ravek::InputEvaluator* evaluator, std::string const& name) {
    if (!evaluator)
        return nullptr;
    auto it = evaluator->resources.find(name);
    return it == evaluator->resources.end() ? nullptr : it->second;
}

// A binding of a button-like trigger must switch it on: value 0 would mean "off".
float bindingValue(float captureValue) {
    return captureValue == 0.0f ? 1.0f : captureValue;
}

void playMenuSound(ravek::audio::Sample* sample) {
    if (resources->poolMenu && sample)
        resources->poolMenu->play(sample, nullptr, nullptr, -1);
}

} // namespace

void deleteQueuedSprites() {
    // A sprite is queued once; the set guards against a second queuing all the same.
    std::set<ravek::sprites::Sprite*> done;
    while (!deleteQueue.empty()) {
        ravek::sprites::Sprite* sprite = deleteQueue.front();
        deleteQueue.pop_front();
        if (sprite && done.insert(sprite).second)
            delete sprite;
    }
}

GameState::GameState()
    : fps(0), paused(false), editedEvaluator(nullptr), workingEvaluator(nullptr),
      capturedTrigger(nullptr), settingsChanged(false), controlsChanged(false),
      focusBeforeCapture(nullptr), captureValue(0.0f), highlightPhase(0.0f) {
    performLayers = 3;
    drawLayers = 3;
}

GameState::~GameState() {
    delete workingEvaluator;
    workingEvaluator = nullptr;
}

void GameState::doPerform(int layer, unsigned int ms) {
    if (layer == 0) {
        fps = ravek::calcFPS(static_cast<int>(ms));
        highlightPhase += static_cast<float>(ms) * 0.001f;
        while (highlightPhase > PI)
            highlightPhase -= PI;
        if (resources->poolGame)
            resources->poolGame->perform(static_cast<float>(ms));
        resources->controlQueue->perform(static_cast<float>(ms));
        resources->gui->perform(resources->controlQueue, static_cast<float>(ms));
    } else if (layer == 2) {
        deleteQueuedSprites();
        if (!paused && resources->starfield)
            resources->starfield->perform(static_cast<float>(ms));
    }
}

void GameState::doDraw(int layer) {
    if (layer == 0) {
        resources->renderContext.apply();
        ravek::clearScreen();
        ravek::resetCursor();
        if (resources->starfield)
            resources->starfield->draw();
    } else if (layer == 2) {
        resources->renderContextGui.apply();
        ravek::resetCursor();
        if (resources->gui->getVisible())
            resources->gui->draw();
        resources->renderContext.apply();
        unsigned int now = SDL_GetTicks();
        ravek::perform(resources->imagesLoaded ? now : now + 20);
        ravek::flipScreen();
    }
}

void GameState::displayHighscores(float x, float y, HighscoreTable* table, int mark1, int mark2) {
    ravek::fonts::Font* font = resources->fontStandard;
    if (!font || !table)
        return;
    float s = std::sin(highlightPhase);
    for (int i = 0; i < HighscoreTable::size(); ++i) {
        if (i == mark1)
            ravek::Color(1.0f, s, s, 1.0f).apply();
        else if (i == mark2)
            ravek::Color(s, s, 1.0f, 1.0f).apply();
        else
            ravek::Color(1.0f, 1.0f, 0.0f, 1.0f).apply();
        float rowY = y + 150.0f - 30.0f * static_cast<float>(i);
        HighscoreEntry const& entry = (*table)[i];
        ravek::resetCursor();
        ravek::moveCursor(ravek::basic_Vector2D<float>(x - 105.0f, rowY));
        font->printf(ravek::JustificationHorizontal::right, "%d.", i + 1);
        ravek::resetCursor();
        ravek::moveCursor(ravek::basic_Vector2D<float>(x - 100.0f, rowY));
        font->printf(ravek::JustificationHorizontal::left, "%s", entry.name.c_str());
        ravek::resetCursor();
        ravek::moveCursor(ravek::basic_Vector2D<float>(x + 130.0f, rowY));
        font->printf(ravek::JustificationHorizontal::right, "%u", entry.score);
    }
}

void GameState::handleEvent(ravek::Trigger const* trigger) {
    switch (trigger->code) {
    case codeFullscreen:
        toggleFullscreen();
        break;
    case codeScreenshot:
        takeScreenshot();
        break;
    case codeControlsSingle:
    case codeControlsMulti: {
        if (!windowRequestAllowed())
            break;
        ravek::InputEvaluator* evaluators[CONTROL_GROUPS];
        resources->playerEvaluators(evaluators);
        int index = trigger->data + (trigger->code == codeControlsMulti ? 1 : 0);
        if (index < 0 || index >= CONTROL_GROUPS) {
            ravek::debug::warning(dbgGameCore, "No player's controls have the number %d.",
                                  trigger->data);
            break;
        }
        std::string header =
            trigger->code == codeControlsSingle
                ? std::string("Single Player Controls")
                : "Multiplayer Controls - Player " + ravek::toStr(trigger->data + 1);
        showWindowControls(header, evaluators[index]);
        break;
    }
    case codeCaptureRequest:
        startCapture(trigger);
        break;
    case codeCapturedKey:
        capturedKey();
        break;
    case codeCapturedJoyButton:
        capturedJoyButton();
        break;
    case codeCapturedJoyAxis:
        capturedJoyAxis();
        break;
    case codeSoundSettings:
        if (windowRequestAllowed())
            showWindowSoundSettings();
        break;
    case codeVolumeSounds:
        volumeSoundsChanged();
        volumeMusicChanged();
        break;
    case codeVolumeMusic:
        volumeMusicChanged();
        break;
    default:
        break;
    }
}

bool GameState::windowRequestAllowed() const {
    // The windows open from the settings or the pause menu; a request of a panel that closed
    // earlier in the same frame would open a window nobody sees, or one beside another panel.
    return resources->pSettings->getVisible() || resources->pInGame->getVisible();
}

void GameState::toggleFullscreen() {
    Settings& settings = resources->settings;
    settings.fullscreen = !settings.fullscreen;
    if (resources->imagesLoaded) {
        try {
            resources->setResolution(settings.xRes, settings.yRes, 32, settings.fullscreen);
        } catch (std::string const& message) {
            ravek::debug::error(dbgGameCore, "Could not change the video mode: %s",
                                message.c_str());
            settings.fullscreen = !settings.fullscreen;
            try {
                resources->setResolution(settings.xRes, settings.yRes, 32, settings.fullscreen);
            } catch (std::string const& again) {
                ravek::debug::error(dbgGameCore, "Could not restore the video mode: %s",
                                    again.c_str());
            }
        }
        // The picture may stand elsewhere on the screen now.
        resources->gui->followPointer(resources->controlQueue);
    }
    resources->updateFullscreenButtons();
}

void GameState::takeScreenshot() {
    try {
        ravek::saveScreenshot(FILE_SCREENSHOT);
    } catch (std::string const& message) {
        ravek::debug::error(dbgGameCore, "Could not save the screenshot: %s", message.c_str());
    }
}

bool GameState::closeWindows(bool confirm) {
    if (resources->pSoundSettings->getVisible()) {
        closeWindowSoundSettings(confirm);
        return true;
    }
    if (resources->pControls->getVisible()) {
        closeWindowControls(confirm);
        return true;
    }
    return false;
}

void GameState::showWindowControls(std::string const& header, ravek::InputEvaluator* evaluator) {
    editedEvaluator = evaluator;
    delete workingEvaluator;
    workingEvaluator = evaluator->clone();
    controlsChanged = false;
    resources->labelControlsHeader->setCaption(header);
    updateKeyLabels();
    resources->pControls->setVisible(true);
    resources->pInGame->setVisible(false);
    resources->pSettings->setVisible(false);
    resources->btnControlsLeft->setFocused(true);
}

void GameState::closeWindowControls(bool confirm) {
    if (workingEvaluator) {
        if (confirm)
            editedEvaluator->copyFrom(workingEvaluator);
        settingsChanged = settingsChanged || controlsChanged;
        delete workingEvaluator;
        workingEvaluator = nullptr;
        capturedTrigger = nullptr;
    }
    // A capture asked for in the same frame goes with its window: left open, it would bind
    // nothing and keep the settings from being left.
    resources->pGetKey->setVisible(false);
    resources->icGetKey->setEnabled(false);
    resources->pControls->setVisible(false);
}

void GameState::showWindowSoundSettings() {
    Settings const& settings = resources->settings;
    resources->sVolumeSounds->value = settings.volumeSfx;
    resources->sVolumeMusic->value = settings.volumeMusic;
    resources->lVolumeSoundsValue->setCaption(ravek::toStr<int>(settings.volumeSfx));
    resources->lVolumeMusicValue->setCaption(ravek::toStr<int>(settings.volumeMusic));
    resources->pSoundSettings->setVisible(true);
    resources->pInGame->setVisible(false);
    resources->pSettings->setVisible(false);
    resources->btnSoundSettingsOk->setFocused(true);
}

void GameState::closeWindowSoundSettings(bool confirm) {
    Settings& settings = resources->settings;
    resources->pSoundSettings->setVisible(false);
    if (confirm) {
        settings.volumeSfx = resources->currentVolumeSfx;
        settings.volumeMusic = resources->currentVolumeMusic;
        if (resources->musicManager && settings.volumeMusic == 0) {
            resources->musicManager->stop();
            ravek::secureDelete(resources->musicManager);
        }
    } else {
        resources->setVolumeSfx(settings.volumeSfx);
        resources->setVolumeMusic(settings.volumeMusic);
    }
}

void GameState::updateKeyLabels() {
    struct Row {
        ravek::gui::Label* label;
        char const* trigger;
        bool joystick;
        float value;
    };
    Row const rows[] = {
        {resources->labelControlsLeft, "x", false, -1},
        {resources->labelControlsRight, "x", false, 1},
        {resources->labelControlsUp, "y", false, -1},
        {resources->labelControlsDown, "y", false, 1},
        {resources->labelControlsLeftJoy, "x", true, -1},
        {resources->labelControlsRightJoy, "x", true, 1},
        {resources->labelControlsUpJoy, "y", true, -1},
        {resources->labelControlsDownJoy, "y", true, 1},
        {resources->labelControlsFire, "fire", false, 0},
        {resources->labelControlsShield, "shield", false, 0},
        {resources->labelControlsTimeWarp, "timewarp", false, 0},
        {resources->labelControlsFireJoy, "fire", true, 0},
        {resources->labelControlsShieldJoy, "shield", true, 0},
        {resources->labelControlsTimeWarpJoy, "timewarp", true, 0},
        {resources->labelControlsPauseJoy, "pause", true, 0},
    };
    for (Row const& row : rows) {
        ravek::Trigger* t = triggerOf(workingEvaluator, row.trigger);
        std::string text;
        if (t)
            text = row.joystick ? t->joyToString(static_cast<short>(row.value), row.value)
                                : t->keysToString(row.value);
        row.label->setCaption(text);
    }
}

void GameState::startCapture(ravek::Trigger const* request) {
    // The request of a controls window that closed earlier in the same frame binds nothing.
    if (!workingEvaluator)
        return;
    ravek::Trigger* target = triggerOf(workingEvaluator, request->dataString);
    if (!target) {
        ravek::debug::warning(dbgGameCore, "Cannot bind \"%s\": the player has no such control.",
                              request->dataString.c_str());
        return;
    }
    focusBeforeCapture = resources->gui->getFocused();
    captureValue = static_cast<float>(request->data);
    capturedTrigger = target;
    std::string name;
    if (target->code == codeSteerX)
        name = captureValue >= 0 ? "Right" : "Left";
    else if (target->code == codeSteerY)
        name = captureValue >= 0 ? "Down" : "Up";
    else
        name = target->description;
    resources->lGetKeyTriggerName->setCaption(name);
    bool buttonsOnly = target->code == codeBack;
    resources->lGetKeyHeader->setVisible(!buttonsOnly);
    resources->lGetKeyHeaderAlternate->setVisible(buttonsOnly);
    resources->pGetKey->setVisible(true);
    resources->icGetKey->setEnabled(true);
    resources->icGetKey->setFocused(true);
}

void GameState::capturedKey() {
    if (!capturedTrigger)
        return;
    SDLKey key = resources->icGetKey->getKey();
    if (key == SDLK_ESCAPE) {
        closeCapture();
        return;
    }
    bool clearing = key == SDLK_BACKSPACE;
    // A key without a name could not be written to the settings file, so it would be lost at
    // the next start; the pause trigger takes no keys at all.
    bool refused =
        !clearing && (capturedTrigger->code == codeBack || ravek::toStr<SDLKey>(key).empty());
    if (refused) {
        if (capturedTrigger->code == codeBack)
            capturedTrigger->clearKeyTranslators(captureValue);
        resources->icGetKey->setEnabled(true);
        resources->icGetKey->setFocused(true);
        return;
    }
    capturedTrigger->clearKeyTranslators(captureValue);
    if (clearing) {
        capturedTrigger->clearJoyButtonTranslators(captureValue);
        capturedTrigger->clearJoyAxisTranslators(static_cast<short>(captureValue));
    } else {
        new ravek::KeyTranslator(capturedTrigger, key, ravek::KS_DEFAULT,
                                 bindingValue(captureValue));
        controlsChanged = true;
    }
    updateKeyLabels();
    closeCapture();
}

void GameState::capturedJoyButton() {
    if (!capturedTrigger)
        return;
    capturedTrigger->clearJoyButtonTranslators(captureValue);
    capturedTrigger->clearJoyAxisTranslators(static_cast<short>(captureValue));
    new ravek::JoyButtonTranslator(capturedTrigger, resources->icGetKey->getJoy(),
                                   resources->icGetKey->getJoyButton(), ravek::KS_DEFAULT,
                                   bindingValue(captureValue));
    controlsChanged = true;
    updateKeyLabels();
    closeCapture();
}

void GameState::capturedJoyAxis() {
    if (!capturedTrigger)
        return;
    for (short direction : {-1, 1}) {
        capturedTrigger->clearJoyButtonTranslators(direction);
        capturedTrigger->clearJoyAxisTranslators(direction);
    }
    // One axis serves both directions of a steering trigger, whichever was asked for.
    for (signed char direction : {-1, 1})
        new ravek::JoyAxisTranslator(capturedTrigger, resources->icGetKey->getJoy(),
                                     resources->icGetKey->getJoyAxis(), direction, 4000, 30000);
    controlsChanged = true;
    updateKeyLabels();
    closeCapture();
}

void GameState::closeCapture() {
    resources->pControls->setVisible(true);
    resources->pGetKey->setVisible(false);
    if (focusBeforeCapture)
        focusBeforeCapture->setFocused(true);
}

void GameState::volumeSoundsChanged() {
    int v = resources->sVolumeSounds->value;
    if (v == resources->currentVolumeSfx)
        return;
    resources->setVolumeSfx(v);
    playMenuSound(resources->menu_move);
    resources->lVolumeSoundsValue->setCaption(ravek::toStr<int>(v));
}

void GameState::volumeMusicChanged() {
    int m = resources->sVolumeMusic->value;
    if (m == resources->currentVolumeMusic)
        return;
    playMenuSound(resources->menu_move);
    bool start = m > 0 && (!resources->musicManager || !resources->musicManager->isPlaying());
    if (start && !resources->musicManager)
        resources->musicManager = new ravek::audio::MusicManager;
    // The music starts at the new volume: startMusic plays only while the volume in force is
    // above 0, which it is not yet when raised from 0.
    resources->setVolumeMusic(m);
    if (start)
        startMusic();
    resources->lVolumeMusicValue->setCaption(ravek::toStr<int>(m));
}

void GUICallback::onMove() {
    onInput();
    if (resources)
        playMenuSound(resources->menu_move);
}

void GUICallback::onConfirm() {
    onInput();
    if (resources)
        playMenuSound(resources->menu_click);
}

void GUICallback::onInput() {
    if (menu)
        menu->idleCountdown = specs.menuIdleTime;
}

} // namespace quellon
