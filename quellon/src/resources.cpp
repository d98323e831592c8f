#include "quellon/src/resources.h"

#include "quellon/src/buildinfo.h"
#include "quellon/src/gamestate.h"
#include "quellon/src/menu.h"
#include "quellon/src/tuning.h"

#include "ravek/src/audio/music.h"
#include "ravek/src/audio/resources.h"
#include "ravek/src/audio/sources.h"
#include "ravek/src/controls.h"
#include "ravek/src/gfx/animations.h"
#include "ravek/src/gfx/fonts.h"
#include "ravek/src/gfx/images.h"
#include "ravek/src/gui/containers.h"
#include "ravek/src/gui/core.h"
#include "ravek/src/gui/slider.h"
#include "ravek/src/gui/standard.h"
#include "ravek/src/gui/styles.h"
#include "ravek/src/gui/text.h"
#include "ravek/src/xml.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <type_traits>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quellon {

char const* const FILE_HIGHSCORES = "highscores.xml";
char const* const FILE_SCREENSHOT = "screenshot.png";
char const* const FILE_CONTROLS = "controls.xml";
char const* const GAME_KEY = "quellon";

ravek::SysDirManager dirManager(GAME_KEY, 1);
Resources* resources = nullptr;

namespace {

char const* const DATA_PATH = "resources/";
char const* const FILE_RESOURCES = "resources.xml";
char const* const PLAYER_EVALUATOR = "evaluatorGamePlayer";
char const* const PLAYER_EVALUATOR_SINGLE = "evaluatorGamePlayerSingle[0]";
char const* const PLAYER_EVALUATOR_MULTI[2] = {"evaluatorGamePlayerMulti[0]",
                                               "evaluatorGamePlayerMulti[1]"};

ravek::fonts::FontDescriptor const STANDARD_FONT("Standard", 33, 0);

template <typename T, typename B, typename K>
T* findIn(B* bank, K const& name) {
    if (!bank)
        return nullptr;
    auto it = bank->resources.find(name);
    return it == bank->resources.end() ? nullptr : dynamic_cast<T*>(it->second);
}

// Every widget and style field with its name, for the lookup and the data check alike.
template <typename Visit>
void forEachWidget(Resources& r, Visit&& visit) {
    visit("pMainMenu", r.pMainMenu);
    visit("pSettings", r.pSettings);
    visit("pControls", r.pControls);
    visit("pCredits", r.pCredits);
    visit("pGetKey", r.pGetKey);
    visit("pSoundSettings", r.pSoundSettings);
    visit("pEnterName", r.pEnterName);
    visit("pInGame", r.pInGame);
    visit("pQuit", r.pQuit);
    visit("btnQuitNo", r.btnQuitNo);
    visit("btnQuit", r.btnQuit);
    visit("btnSinglePlayerA", r.btnSinglePlayerA);
    visit("btnSinglePlayerB", r.btnSinglePlayerB);
    visit("btnMultiplayer", r.btnMultiplayer);
    visit("btnSettings", r.btnSettings);
    visit("btnCredits", r.btnCredits);
    visit("btnControlsSinglePlayer", r.btnControlsSinglePlayer);
    visit("btnControlsMultiplayer1", r.btnControlsMultiplayer1);
    visit("btnControlsMultiplayer2", r.btnControlsMultiplayer2);
    visit("btnSettingsDone", r.btnSettingsDone);
    visit("btnSoundSettings", r.btnSoundSettings);
    visit("btnSoundSettingsOk", r.btnSoundSettingsOk);
    visit("cbFullscreen", r.cbFullscreen);
    visit("btnControlsPlayer1", r.btnControlsPlayer1);
    visit("btnControlsPlayer2", r.btnControlsPlayer2);
    visit("btnControlsLeft", r.btnControlsLeft);
    visit("btnControlsRight", r.btnControlsRight);
    visit("btnControlsFire", r.btnControlsFire);
    visit("labelControlsHeader", r.labelControlsHeader);
    visit("labelControlsLeft", r.labelControlsLeft);
    visit("labelControlsRight", r.labelControlsRight);
    visit("labelControlsUp", r.labelControlsUp);
    visit("labelControlsDown", r.labelControlsDown);
    visit("labelControlsLeftJoy", r.labelControlsLeftJoy);
    visit("labelControlsRightJoy", r.labelControlsRightJoy);
    visit("labelControlsUpJoy", r.labelControlsUpJoy);
    visit("labelControlsDownJoy", r.labelControlsDownJoy);
    visit("labelControlsFire", r.labelControlsFire);
    visit("labelControlsShield", r.labelControlsShield);
    visit("labelControlsTimeWarp", r.labelControlsTimeWarp);
    visit("labelControlsFireJoy", r.labelControlsFireJoy);
    visit("labelControlsShieldJoy", r.labelControlsShieldJoy);
    visit("labelControlsTimeWarpJoy", r.labelControlsTimeWarpJoy);
    visit("labelControlsPauseJoy", r.labelControlsPauseJoy);
    visit("lGetKeyTriggerName", r.lGetKeyTriggerName);
    visit("lGetKeyHeader", r.lGetKeyHeader);
    visit("lGetKeyHeaderAlternate", r.lGetKeyHeaderAlternate);
    visit("lHeaderVersion", r.lHeaderVersion);
    visit("btnContinue", r.btnContinue);
    visit("btnInGameSoundSettings", r.btnInGameSoundSettings);
    visit("btnInGameControlsSinglePlayer", r.btnInGameControlsSinglePlayer);
    visit("btnInGameControlsMultiplayer1", r.btnInGameControlsMultiplayer1);
    visit("btnInGameControlsMultiplayer2", r.btnInGameControlsMultiplayer2);
    visit("cbInGameFullscreen", r.cbInGameFullscreen);
    visit("sVolumeSounds", r.sVolumeSounds);
    visit("sVolumeMusic", r.sVolumeMusic);
    visit("lVolumeSoundsValue", r.lVolumeSoundsValue);
    visit("lVolumeMusicValue", r.lVolumeMusicValue);
    visit("icGetKey", r.icGetKey);
    visit("lEnterName", r.lEnterName);
    visit("tfEnterName", r.tfEnterName);
}

template <typename Visit>
void forEachStyle(Resources& r, Visit&& visit) {
    visit("lsTextfieldRed", r.lsTextfieldRed);
    visit("lsTextfieldBlue", r.lsTextfieldBlue);
}

// The images (in "imagesGame" or "imagesGui") and animations the sprites show.
template <typename Visit>
void forEachLook(Resources& r, Visit&& visit) {
    visit("logo", r.logo);
    visit("player1", r.player1);
    visit("player2", r.player2);
    visit("laserRayGreen", r.laserRayGreen);
    visit("laserRoundGreen", r.laserRoundGreen);
    visit("laserRoundRed", r.laserRoundRed);
    visit("engine", r.engine);
    visit("engineStutter", r.engineStutter);
    visit("shield", r.shield);
    visit("asteroidSmall", r.asteroidSmall);
    visit("asteroidLarge", r.asteroidLarge);
    visit("crystal", r.crystal);
    visit("container_0", r.container[0]);
    visit("container_1", r.container[1]);
    visit("container_2", r.container[2]);
    visit("extraFireRate", r.extraFireRate);
    visit("extraLaserType", r.extraLaserType);
    visit("extraSpeedup", r.extraSpeedup);
    visit("extraShield", r.extraShield);
    visit("extraScore", r.extraScore);
    visit("extraTimeWarp", r.extraTimeWarp);
    visit("foeLeft", r.foeLeft);
    visit("foeRight", r.foeRight);
    visit("explosionFast", r.explosionFast);
    visit("explosionSlow", r.explosionSlow);
}

template <typename Visit>
void forEachHudImage(Resources& r, Visit&& visit) {
    visit("full", r.hudFull);
    visit("shield", r.hudShield);
    for (int k = 1; k <= 5; ++k)
        visit("speed_" + ravek::toStr(k), r.hudSpeed[k - 1]);
    for (int i = 1; i <= 5; ++i)
        for (int j = 0; j <= 5; ++j)
            visit("fire_" + ravek::toStr(i) + "_" + ravek::toStr(j), r.hudFire[i - 1][j]);
    for (int k = 1; k <= specs.maxTimeWarps && k <= 2; ++k)
        visit("timewarp_" + ravek::toStr(k), r.hudTimewarp[k - 1]);
}

template <typename Visit>
void forEachSample(Resources& r, Visit&& visit) {
    visit("explosion", r.explosion);
    visit("laser", r.laser);
    visit("ping", r.ping);
    visit("extra", r.extra);
    visit("timewarp", r.timewarp);
    visit("menu_move", r.menu_move);
    visit("menu_click", r.menu_click);
}

template <typename Visit>
void forEachTrack(Resources& r, Visit&& visit) {
    visit("music_title_intro", r.music_title_intro);
    visit("music_title_loop", r.music_title_loop);
    visit("music_game_a_intro", r.music_game_a_intro);
    visit("music_game_a_loop", r.music_game_a_loop);
    visit("music_game_b_intro", r.music_game_b_intro);
    visit("music_game_b_loop", r.music_game_b_loop);
    visit("music_death", r.music_death);
    visit("music_highscores_intro", r.music_highscores_intro);
    visit("music_highscores_loop", r.music_highscores_loop);
    visit("music_gameover_intro", r.music_gameover_intro);
    visit("music_gameover_loop", r.music_gameover_loop);
}

template <typename T>
using Pointee = std::remove_pointer_t<std::remove_reference_t<T>>;

// Copies of an unreadable file kept at most: "highscores.xml.damaged", then ".damaged.1" on.
int const MAX_KEPT = 100;

// Moves a file that is there but could not be read to the first free name of its kept copies,
// never over an earlier one, so that the player can mend it; false (logged) when it stays.
bool moveAside(std::string const& path) {
    std::string aside;
    int err = EEXIST;
    for (int n = 0; n < MAX_KEPT && err == EEXIST; ++n) {
        aside = path + ".damaged" + (n > 0 ? "." + ravek::toStr(n) : "");
        err = renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0
                  ? 0
                  : errno;
        if (err == EINVAL || err == ENOSYS) {
            // A file system that cannot refuse to replace: look first.
            struct stat status;
            bool taken = lstat(aside.c_str(), &status) == 0 || errno != ENOENT;
            err = taken ? EEXIST : std::rename(path.c_str(), aside.c_str()) == 0 ? 0 : errno;
        }
    }
    if (err == 0) {
        ravek::debug::warning(dbgResources, "Kept the unreadable \"%s\" as \"%s\".", path.c_str(),
                              aside.c_str());
        return true;
    }
    ravek::debug::error(dbgResources,
                        "Could not move the unreadable \"%s\" aside (%s): it is not written over.",
                        path.c_str(), err == EEXIST ? "no free name" : std::strerror(err));
    return false;
}

// After a failed load: logs it, at info when the file is not there at all and that is only a
// first start, and moves a file that is there aside (cut short, a directory, not readable, or
// not even to be looked at: it holds what the player had). False when the path must not be
// written.
bool failedLoad(std::string const& path, char const* what, std::string const& message,
                bool missingIsInfo) {
    struct stat status;
    bool there = lstat(path.c_str(), &status) == 0 || errno != ENOENT;
    if (!there && missingIsInfo)
        ravek::debug::info(dbgResources, "Could not load %s: %s", what, message.c_str());
    else
        ravek::debug::warning(dbgResources, "Could not load %s: %s", what, message.c_str());
    return !there || moveAside(path);
}

} // namespace

template <typename T>
T* Resources::findBank(std::string const& name, std::string const& error) const {
    auto it = banks.find(name);
    T* bank = it == banks.end() ? nullptr : dynamic_cast<T*>(it->second);
    if (!bank)
        throw error;
    return bank;
}

Resources::Resources() {
    // A failed construction runs no destructor: what was made goes here.
    try {
        build();
    } catch (...) {
        release();
        throw;
    }
}

void Resources::build() {
    dirManager.dataPath = DATA_PATH;
    std::string dir = dirManager.getSubDir(ravek::SYSDIR_DATA, "", false);
    load(dir + FILE_RESOURCES, "");

    fonts = findBank<ravek::fonts::FontBank>("fonts", "fonts not found");
    imagesGame = findBank<ravek::gfx::ImageBank>("imagesGame", "imagesGame not found");
    animationsGame =
        findBank<ravek::gfx::AnimationBank>("animationsGame", "animationsGame not found");
    imagesHud = findBank<ravek::gfx::ImageBank>("imagesHud", "imagesHud not found");
    imagesGui = findBank<ravek::gfx::ImageBank>("imagesGui", "imagesGui not found");
    gui = findBank<ravek::gui::GUI>("gui", "gui not found");
    sounds = findBank<ravek::audio::SampleBank>("sounds", "samples not found");
    music = findBank<ravek::audio::SampleBank>("music", "music not found");

    joysticks[0] = ravek::initJoystick(0);
    joysticks[1] = ravek::initJoystick(1);

    evaluatorCore = findBank<ravek::InputEvaluator>("evaluatorCore", "evaluatorCore not found");
    evaluatorMenu = findBank<ravek::InputEvaluator>("evaluatorMenu", "evaluatorMenu not found");
    evaluatorGameCore =
        findBank<ravek::InputEvaluator>("evaluatorGameCore", "evaluatorGameCore not found");

    auto player = banks.find(PLAYER_EVALUATOR);
    if (player == banks.end())
        throw std::string("Resource \"") + PLAYER_EVALUATOR + "\" not found.";
    ravek::BasicResourceBank* single = player->second;
    banks.erase(player);
    storeBank(PLAYER_EVALUATOR_SINGLE, single);
    evaluatorGamePlayerSingle = findBank<ravek::InputEvaluator>(
        PLAYER_EVALUATOR_SINGLE, std::string(PLAYER_EVALUATOR_SINGLE) + " not found");
    evaluatorGamePlayerSingle->setDataOnAllTriggers(0);
    for (int i = 0; i < 2; ++i) {
        evaluatorGamePlayerMulti[i] = evaluatorGamePlayerSingle->clone();
        evaluatorGamePlayerMulti[i]->setDataOnAllTriggers(i);
        storeBank(PLAYER_EVALUATOR_MULTI[i], evaluatorGamePlayerMulti[i]);
    }

    controlQueue = &ravek::queue;
    controlQueue->focusLostTrigger = findIn<ravek::Trigger>(evaluatorCore, "pause");

    for (ravek::InputEvaluator* e : {evaluatorGameCore, evaluatorGamePlayerSingle,
                                     evaluatorGamePlayerMulti[0], evaluatorGamePlayerMulti[1]})
        e->active = false;
    for (ravek::Evaluator* e : std::initializer_list<ravek::Evaluator*>{
             evaluatorCore, evaluatorMenu, evaluatorGameCore, evaluatorGamePlayerSingle,
             evaluatorGamePlayerMulti[0], evaluatorGamePlayerMulti[1], gui})
        controlQueue->evaluators.push_front(e);

    loadSettings();

    renderContext.blending = true;
    renderContextAdditive.blending = true;
    renderContextAdditive.blendMode = 2;
    renderContextGui.blending = true;

    for (int k = 1; k <= 5; ++k) {
        float f = 0.2f * static_cast<float>(k);
        starfieldProperties.classes.emplace_back(specs.starCount / 5, f, ravek::Color(f, f, f, 1));
    }

    forEachHudImage(*this, [this](std::string const& name, ravek::gfx::Image*& field) {
        field = findIn<ravek::gfx::ImageResource>(imagesHud, name);
    });
    lookUpImages();
}

void Resources::lookUpImages() {
    forEachLook(*this, [this](std::string const& name, auto& field) {
        using T = Pointee<decltype(field)>;
        if constexpr (std::is_same_v<T, ravek::gfx::Animation>)
            field = findIn<T>(animationsGame, name);
        else if (name == "logo")
            field = findIn<ravek::gfx::ImageResource>(imagesGui, name);
        else
            field = findIn<ravek::gfx::ImageResource>(imagesGame, name);
    });
}

Resources::~Resources() {
    release();
}

void Resources::release() {
    ravek::secureDelete(poolGame);
    ravek::secureDelete(poolMenu);
    ravek::secureDelete(musicManager);
    ravek::secureDelete(starfield);
    for (SDL_Joystick*& joystick : joysticks) {
        if (joystick)
            ravek::cleanUpJoystick(joystick);
        joystick = nullptr;
    }
    if (imageLoader) {
        // Quitting while the images load: the loader must not outlive the bank it walks.
        ravek::backgroundTasks.remove(imageLoader);
        delete imageLoader;
        imageLoader = nullptr;
    }

    // The banks go with the hub, so that nothing the game loaded is left behind unreachable:
    // the evaluators leave the control queue first, then the newest banks go first (the GUI
    // before the images, fonts and triggers its widgets point to).
    if (controlQueue) {
        controlQueue->focusLostTrigger = nullptr;
        for (auto& entry : banks)
            if (auto* evaluator = dynamic_cast<ravek::Evaluator*>(entry.second))
                controlQueue->evaluators.remove(evaluator);
    }
    deleteBanks();
}

void Resources::playerEvaluators(ravek::InputEvaluator* out[CONTROL_GROUPS]) const {
    out[0] = evaluatorGamePlayerSingle;
    out[1] = evaluatorGamePlayerMulti[0];
    out[2] = evaluatorGamePlayerMulti[1];
}

std::string Resources::missingNames() {
    std::vector<std::string> missing;
    auto note = [&missing](char const* kind, std::string const& name) {
        missing.push_back(std::string(kind) + " \"" + name + "\"");
    };
    forEachLook(*this, [&](std::string const& name, auto& field) {
        using T = Pointee<decltype(field)>;
        if constexpr (std::is_same_v<T, ravek::gfx::Animation>) {
            if (!findIn<T>(animationsGame, name))
                note("animation", name);
        } else if (!findIn<ravek::gfx::ImageResource>(name == "logo" ? imagesGui : imagesGame,
                                                      name)) {
            note("image", name);
        }
    });
    forEachHudImage(*this, [&](std::string const& name, ravek::gfx::Image*&) {
        if (!findIn<ravek::gfx::ImageResource>(imagesHud, name))
            note("image", name);
    });
    if (!findIn<ravek::fonts::Font>(fonts, STANDARD_FONT))
        note("font", "Standard");
    forEachSample(*this, [&](std::string const& name, ravek::audio::Sample*&) {
        if (!findIn<ravek::audio::Sample>(sounds, name))
            note("sample", name);
    });
    forEachTrack(*this, [&](std::string const& name, ravek::audio::StreamedSample*&) {
        if (!findIn<ravek::audio::StreamedSample>(music, name))
            note("track", name);
    });
    forEachWidget(*this, [&](std::string const& name, auto& field) {
        if (!dynamic_cast<Pointee<decltype(field)>*>((*gui)[name]))
            note("widget", name);
    });
    forEachStyle(*this, [&](std::string const& name, auto& field) {
        ravek::gui::StyleBank* styles = gui->getStyles();
        if (!dynamic_cast<Pointee<decltype(field)>*>(findIn<ravek::gui::Style>(styles, name)))
            note("style", name);
    });
    // Every file the banks read: the game's images load in the background, and a track only
    // when it plays, so a missing one would otherwise show long after the start.
    for (ravek::gfx::ImageBank* bank : {imagesGui, imagesHud, imagesGame})
        for (auto& entry : bank->resources)
            if (access(entry.second->filename.c_str(), R_OK) != 0)
                note("file", entry.second->filename);
    for (ravek::audio::SampleBank* bank : {sounds, music})
        for (auto& entry : bank->resources)
            if (access(entry.second->filename.c_str(), R_OK) != 0)
                note("file", entry.second->filename);
    std::string text;
    for (std::string const& m : missing)
        text += (text.empty() ? "" : ", ") + m;
    return text;
}

void Resources::init() {
    std::string missing = missingNames();
    if (!missing.empty())
        throw "Missing from the data set: " + missing + ".";

    loadHighscores();

    imagesHud->refresh(nullptr);
    imagesGui->refresh(nullptr);
    logoPosition.x = (renderContextGui.size.x - static_cast<float>(logo->getWidth())) * 0.5f;
    logoPosition.y = renderContextGui.size.y - static_cast<float>(logo->getHeight()) - 10.0f;

    fonts->refresh();
    fontStandard = findIn<ravek::fonts::Font>(fonts, STANDARD_FONT);
    if (!fontStandard)
        ravek::debug::error(dbgResources, "Standard font not found.");

    music->refresh();
    forEachTrack(*this, [this](std::string const& name, ravek::audio::StreamedSample*& field) {
        field = findIn<ravek::audio::StreamedSample>(music, name);
    });
    sounds->refresh();
    forEachSample(*this, [this](std::string const& name, ravek::audio::Sample*& field) {
        field = findIn<ravek::audio::Sample>(sounds, name);
    });

    if (settings.volumeMusic > 0)
        musicManager = new ravek::audio::MusicManager;
    poolMenu = new ravek::audio::SourcePool(2);
    poolGame = new ravek::audio::SourcePool(10);
    setVolumeSfx(settings.volumeSfx);
    setVolumeMusic(settings.volumeMusic);

    starfieldProperties.width = 800.0f;
    starfieldProperties.height = 600.0f;
    starfield = starfieldProperties.create();
    starfield->speedFactor = specs.menuStarfieldSpeed;

    lookUpWidgets();
    gui->setCallback(&callback);
    lHeaderVersion->setCaption(getFullVersion());
    updateFullscreenButtons();
    placePanels();

    imageLoader = new ravek::gfx::ImageLoader(imagesGame, this);
    ravek::backgroundTasks.push_back(imageLoader);
    setMinFrameTime(0);
}

void Resources::lookUpWidgets() {
    forEachWidget(*this, [this](std::string const& name, auto& field) {
        field = dynamic_cast<Pointee<decltype(field)>*>((*gui)[name]);
    });
    forEachStyle(*this, [this](std::string const& name, auto& field) {
        field = dynamic_cast<Pointee<decltype(field)>*>(
            findIn<ravek::gui::Style>(gui->getStyles(), name));
    });
}

void Resources::placePanels() {
    ravek::basic_Vector2D<float> belowLogo(ravek::vpScreen.width, logoPosition.y);
    ravek::basic_Vector2D<float> screen(ravek::vpScreen.width, ravek::vpScreen.height);
    for (ravek::gui::Component* panel : {pMainMenu, pSettings, pCredits, pSoundSettings, pQuit})
        panel->center(belowLogo);
    for (ravek::gui::Component* panel : {pControls, pGetKey, pEnterName, pInGame})
        panel->center(screen);
}

void Resources::onStart(ravek::BackgroundTask*) {}

void Resources::onFinish(ravek::BackgroundTask*) {
    pCredits->setVisible(false);
    pMainMenu->setVisible(true);
    btnSinglePlayerA->setFocused(true);
    imagesLoaded = true;
    imageLoader = nullptr;
    // The menu fades the logo in with the loading, but the loader goes before a frame of the
    // menu sees its last progress.
    logoColor.alpha = 1.0f;
    evaluatorMenu->active = true;
    if (menu)
        menu->initSpritesHelp();
    setMinFrameTime(static_cast<unsigned>(specs.minFrameTime - specs.frameCorrection));
}

void Resources::setMinFrameTime(unsigned ms) {
    if (auto* app = dynamic_cast<ravek::FrameRateLimitedApplication*>(ravek::application))
        app->minFrameTime = ms;
}

void Resources::setResolution(int width, int height, int bpp, bool fullscreen) {
    ravek::setResolution(width, height, bpp, fullscreen, 0, 0);
    renderContext.size = ravek::basic_Vector2D<float>(800.0f, 600.0f);
    renderContextAdditive.size = ravek::basic_Vector2D<float>(800.0f, 600.0f);
    renderContextGui.size =
        ravek::basic_Vector2D<float>(static_cast<float>(width), static_cast<float>(height));
    viewport.width = 800.0f;
    viewport.height = 600.0f;
    starfieldProperties.width = 800.0f;
    starfieldProperties.height = 600.0f;

    imagesHud->reload();
    imagesHud->refresh(nullptr);
    imagesGui->reload();
    imagesGui->refresh(nullptr);
    if (imagesLoaded) {
        imagesGame->reload();
        imagesGame->refresh(nullptr);
    }
    fonts->refresh();
}

void Resources::updateFullscreenButtons() {
    cbFullscreen->setChecked(settings.fullscreen);
    cbInGameFullscreen->setChecked(settings.fullscreen);
}

void Resources::setVolumeSfx(int volume) {
    currentVolumeSfx = volume;
    float gain = static_cast<float>(volume) / 100.0f;
    if (poolMenu)
        poolMenu->setVolume(gain);
    if (poolGame)
        poolGame->setVolume(gain);
}

void Resources::setVolumeMusic(int volume) {
    currentVolumeMusic = volume;
    if (!musicManager)
        return;
    float gain = static_cast<float>(volume) / 100.0f;
    musicManager->setVolume(gain);
    musicManager->setCurrentVolume(gain);
}

void Resources::initGame() {
    imagesGame->refresh(nullptr);
}

void Resources::loadSettings() {
    ravek::InputEvaluator* evaluators[CONTROL_GROUPS];
    playerEvaluators(evaluators);
    auto apply = [&](std::string const& path) {
        std::unique_ptr<ravek::xml::Node> root(ravek::xml::loadXML(path));
        if (root)
            applySettings(root.get(), settings, evaluators);
    };
    try {
        apply(dirManager.getSubDir(ravek::SYSDIR_DATA, "", false) + FILE_CONTROLS);
    } catch (std::string const& message) {
        ravek::debug::warning(dbgResources, "Could not load the default controls: %s",
                              message.c_str());
    }
    std::string path = dirManager.getSubDir(ravek::SYSDIR_SETTINGS, "", false) + FILE_SETTINGS;
    ravek::debug::debug(dbgResources, "Loading settings from file \"%s\".", path.c_str());
    try {
        apply(path);
    } catch (std::string const& message) {
        keepSettingsFile = !failedLoad(path, "settings", message, false);
    }
}

bool Resources::saveSettings() {
    ravek::InputEvaluator* evaluators[CONTROL_GROUPS];
    playerEvaluators(evaluators);
    std::unique_ptr<ravek::xml::Node> root(buildSettingsTree(settings, evaluators));
    std::string path = dirManager.getSubDir(ravek::SYSDIR_SETTINGS, "", false) + FILE_SETTINGS;
    ravek::debug::debug(dbgResources, "Saving settings to file \"%s\".", path.c_str());
    if (!keepSettingsFile && root->saveXML(path.c_str()))
        return true;
    ravek::debug::error(dbgResources, "Could not save the settings: \"%s\" was not written.",
                        path.c_str());
    return false;
}

void Resources::initHighscores() {
    highscores.setDefaults();
}

void Resources::loadHighscores() {
    initHighscores();
    std::string path = dirManager.getSubDir(ravek::SYSDIR_HIGHSCORES, "", false) + FILE_HIGHSCORES;
    keepHighscoresFile = false;
    try {
        highscores.load(path);
    } catch (std::string const& message) {
        keepHighscoresFile = !failedLoad(path, "highscores", message, true);
    }
}

bool Resources::saveHighscores() {
    std::string path = dirManager.getSubDir(ravek::SYSDIR_HIGHSCORES, "", false) + FILE_HIGHSCORES;
    if (!keepHighscoresFile && highscores.save(path))
        return true;
    ravek::debug::error(dbgResources, "Could not save highscores: \"%s\" was not written.",
                        path.c_str());
    return false;
}

} // namespace quellon
