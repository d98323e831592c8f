#ifndef QUELLON_RESOURCES_H
#define QUELLON_RESOURCES_H

#include "quellon/src/highscores.h"
#include "quellon/src/settings.h"

#include "ravek/src/files.h"
#include "ravek/src/framework.h"
#include "ravek/src/gfx/starfield.h"
#include "ravek/src/math.h"
#include "ravek/src/ravek.h"
#include "ravek/src/resources.h"

#include <SDL/SDL.h>

#include <string>

namespace ravek {
class ControlQueue;
class InputEvaluator;
namespace audio {
class MusicManager;
class Sample;
class SampleBank;
class SourcePool;
class StreamedSample;
} // namespace audio
namespace fonts {
class Font;
class FontBank;
} // namespace fonts
namespace gfx {
class Animation;
class AnimationBank;
class Image;
class ImageBank;
class ImageLoader;
} // namespace gfx
namespace gui {
class Button;
class Checkbox;
class Component;
class GUI;
class InputCaptor;
class Label;
class LabelStyle;
class Pane;
template <typename T>
class Slider;
class Textfield;
} // namespace gui
} // namespace ravek

namespace quellon {

extern char const* const FILE_HIGHSCORES;
extern char const* const FILE_SCREENSHOT;
// The default bindings of the three players, in the data directory (settings-file format).
extern char const* const FILE_CONTROLS;
extern char const* const GAME_KEY;

// The game's debug groups.
int const dbgGameCore = 1;
int const dbgGame = 2;
int const dbgResources = 3;

// Directories: the data under "resources/", everything else in the working directory.
extern ravek::SysDirManager dirManager;

// The game's resource hub, reached through quellon::resources: the resource manager of the
// data set (so it holds every bank, which live until the process ends) and the callback of the
// background image loader. It keeps the settings, typed pointers to what the states use every
// frame, the render contexts and the high scores, and owns the two sound pools, the music
// manager and the starfield. The constructor throws a std::string when a bank or an evaluator
// is missing, init() when the data set lacks a name the game uses or a file does not load.
class Resources : public ravek::ResourceManager, public ravek::BackgroundTaskCallback {
public:
    Settings settings;
    bool imagesLoaded;
    // The play area: 800 x 600 once the video mode is set.
    ravek::basic_Rect<float> viewport;
    // The game's space (800 x 600 whatever the window), alpha blending.
    ravek::RenderContext2D renderContext;
    // The same space, additive blending: the game's texts.
    ravek::RenderContext2D renderContextAdditive;
    // The window's pixels: the GUI and the logo.
    ravek::RenderContext2D renderContextGui;
    ravek::fonts::FontBank* fonts;
    // "Standard" of size 33; null when the data set has none.
    ravek::fonts::Font* fontStandard;
    ravek::gfx::ImageBank* imagesGame;
    ravek::gfx::AnimationBank* animationsGame;
    ravek::gfx::ImageBank* imagesHud;
    ravek::gfx::ImageBank* imagesGui;
    ravek::gui::GUI* gui;
    SDL_Joystick* joysticks[2];
    ravek::InputEvaluator* evaluatorCore;
    ravek::InputEvaluator* evaluatorMenu;
    ravek::InputEvaluator* evaluatorGameCore;
    ravek::InputEvaluator* evaluatorGamePlayerSingle;
    ravek::InputEvaluator* evaluatorGamePlayerMulti[2];
    ravek::ControlQueue* controlQueue;
    ravek::particles::StarfieldProperties starfieldProperties;
    ravek::particles::Starfield* starfield;
    ravek::audio::SampleBank* sounds;
    ravek::audio::SampleBank* music;

    ravek::audio::Sample* explosion;
    ravek::audio::Sample* laser;
    ravek::audio::Sample* ping;
    ravek::audio::Sample* extra;
    ravek::audio::Sample* timewarp;
    ravek::audio::Sample* menu_move;
    ravek::audio::Sample* menu_click;

    ravek::audio::StreamedSample* music_title_intro;
    ravek::audio::StreamedSample* music_title_loop;
    ravek::audio::StreamedSample* music_game_a_intro;
    ravek::audio::StreamedSample* music_game_a_loop;
    ravek::audio::StreamedSample* music_game_b_intro;
    ravek::audio::StreamedSample* music_game_b_loop;
    ravek::audio::StreamedSample* music_death;
    ravek::audio::StreamedSample* music_highscores_intro;
    ravek::audio::StreamedSample* music_highscores_loop;
    ravek::audio::StreamedSample* music_gameover_intro;
    ravek::audio::StreamedSample* music_gameover_loop;

    ravek::audio::SourcePool* poolMenu;
    ravek::audio::SourcePool* poolGame;
    ravek::audio::MusicManager* musicManager;
    Highscores highscores;

    ravek::gfx::Image* logo;
    ravek::gfx::Animation* player1;
    ravek::gfx::Animation* player2;
    ravek::gfx::Image* laserRayGreen;
    ravek::gfx::Image* laserRoundGreen;
    ravek::gfx::Image* laserRoundRed;
    ravek::gfx::Animation* engine;
    ravek::gfx::Animation* engineStutter;
    ravek::gfx::Animation* shield;
    ravek::gfx::Animation* asteroidSmall;
    ravek::gfx::Animation* asteroidLarge;
    ravek::gfx::Animation* crystal;
    ravek::gfx::Animation* container[3];
    ravek::gfx::Animation* extraFireRate;
    ravek::gfx::Animation* extraLaserType;
    ravek::gfx::Animation* extraSpeedup;
    ravek::gfx::Animation* extraShield;
    ravek::gfx::Animation* extraScore;
    ravek::gfx::Animation* extraTimeWarp;
    ravek::gfx::Animation* foeLeft;
    ravek::gfx::Animation* foeRight;
    ravek::gfx::Animation* explosionFast;
    ravek::gfx::Animation* explosionSlow;

    ravek::gfx::Image* hudFull;
    ravek::gfx::Image* hudShield;
    // speed_1 .. speed_5.
    ravek::gfx::Image* hudSpeed[5];
    // fire_<laser type + 1>_<fire rate>.
    ravek::gfx::Image* hudFire[5][6];
    // timewarp_1, timewarp_2.
    ravek::gfx::Image* hudTimewarp[2];

    // The background loader while it runs; the engine deletes it when it finishes.
    ravek::gfx::ImageLoader* imageLoader;

    ravek::gui::Pane* pMainMenu;
    ravek::gui::Pane* pSettings;
    ravek::gui::Pane* pControls;
    ravek::gui::Pane* pCredits;
    ravek::gui::Pane* pGetKey;
    ravek::gui::Pane* pSoundSettings;
    ravek::gui::Pane* pEnterName;
    ravek::gui::Pane* pInGame;
    ravek::gui::Pane* pQuit;
    ravek::gui::Button* btnQuitNo;
    ravek::gui::Button* btnQuit;
    ravek::gui::Button* btnSinglePlayerA;
    ravek::gui::Button* btnSinglePlayerB;
    ravek::gui::Button* btnMultiplayer;
    ravek::gui::Button* btnSettings;
    ravek::gui::Button* btnCredits;
    ravek::gui::Button* btnControlsSinglePlayer;
    ravek::gui::Button* btnControlsMultiplayer1;
    ravek::gui::Button* btnControlsMultiplayer2;
    ravek::gui::Button* btnSettingsDone;
    ravek::gui::Button* btnSoundSettings;
    ravek::gui::Button* btnSoundSettingsOk;
    ravek::gui::Checkbox* cbFullscreen;
    ravek::gui::Button* btnControlsPlayer1;
    ravek::gui::Button* btnControlsPlayer2;
    ravek::gui::Button* btnControlsLeft;
    ravek::gui::Button* btnControlsRight;
    ravek::gui::Button* btnControlsFire;
    ravek::gui::Label* labelControlsHeader;
    ravek::gui::Label* labelControlsLeft;
    ravek::gui::Label* labelControlsRight;
    ravek::gui::Label* labelControlsUp;
    ravek::gui::Label* labelControlsDown;
    ravek::gui::Label* labelControlsLeftJoy;
    ravek::gui::Label* labelControlsRightJoy;
    ravek::gui::Label* labelControlsUpJoy;
    ravek::gui::Label* labelControlsDownJoy;
    ravek::gui::Label* labelControlsFire;
    ravek::gui::Label* labelControlsShield;
    ravek::gui::Label* labelControlsTimeWarp;
    ravek::gui::Label* labelControlsFireJoy;
    ravek::gui::Label* labelControlsShieldJoy;
    ravek::gui::Label* labelControlsTimeWarpJoy;
    ravek::gui::Label* labelControlsPauseJoy;
    ravek::gui::Label* lGetKeyTriggerName;
    ravek::gui::Label* lGetKeyHeader;
    ravek::gui::Label* lGetKeyHeaderAlternate;
    ravek::gui::Label* lHeaderVersion;
    ravek::gui::Button* btnContinue;
    ravek::gui::Button* btnInGameSoundSettings;
    ravek::gui::Button* btnInGameControlsSinglePlayer;
    ravek::gui::Button* btnInGameControlsMultiplayer1;
    ravek::gui::Button* btnInGameControlsMultiplayer2;
    ravek::gui::Checkbox* cbInGameFullscreen;
    ravek::gui::Slider<int>* sVolumeSounds;
    ravek::gui::Slider<int>* sVolumeMusic;
    ravek::gui::Label* lVolumeSoundsValue;
    ravek::gui::Label* lVolumeMusicValue;
    ravek::gui::LabelStyle* lsTextfieldRed;
    ravek::gui::LabelStyle* lsTextfieldBlue;
    ravek::gui::InputCaptor* icGetKey;
    // The name entry's prompt and field.
    ravek::gui::Label* lEnterName;
    ravek::gui::Textfield* tfEnterName;

    // Where the logo stands in the GUI's space, and its colour (the alpha fades in while the
    // game's images load).
    ravek::basic_Vector2D<float> logoPosition;
    ravek::Color logoColor;
    // The volumes in force (percent); they differ from the settings while the sound window is
    // open.
    int currentVolumeSfx;
    int currentVolumeMusic;

    // Sets the data path, loads "resources.xml", finds the banks and evaluators, renames the
    // player evaluator and clones it for two players, fills the control queue and reads the
    // settings. Needs the engine started; touches neither OpenGL nor OpenAL.
    Resources();
    // Deletes the sound pools, the music manager and the starfield and closes the joysticks;
    // the banks stay with the process.
    ~Resources() override;

    // The rest of the set-up once the window and the audio device exist: the data check, high
    // scores, fonts, samples, music, sound pools, starfield, widgets, panel places and the
    // background loading of the game's images.
    void init();
    void onStart(ravek::BackgroundTask* task) override;
    // The game's images are in: the main menu opens.
    void onFinish(ravek::BackgroundTask* task) override;
    // Sets the video mode and uploads the textures again. Throws SDL's text when the mode is
    // refused.
    void setResolution(int width, int height, int bpp, bool fullscreen);
    void updateFullscreenButtons();
    // The volumes in force; the settings are not changed.
    void setVolumeSfx(int volume);
    void setVolumeMusic(int volume);
    void initMenu() {}
    void uninitMenu() {}
    // Uploads every game image the background loader has not reached yet.
    void initGame();
    void uninitGame() {}

    // The default controls of the data set, then "settings.xml"; never throws.
    void loadSettings();
    // Writes "settings.xml"; false when it could not be written (logged).
    bool saveSettings();
    void initHighscores();
    // Writes "highscores.xml"; false when it could not be written (logged).
    bool saveHighscores();

    // The names the game looks up that the data set lacks, as one text ("image \"logo\",
    // sample \"ping\""); empty when nothing is missing.
    std::string missingNames() const;

    // The three player evaluators in the order of the settings file's control groups.
    void playerEvaluators(ravek::InputEvaluator* out[CONTROL_GROUPS]) const;

private:
    // Stores a bank under a name of the manager, making the hub its manager.
    void storeBank(std::string const& name, ravek::BasicResourceBank* bank);
    template <typename T>
    T* findBank(std::string const& name, std::string const& error) const;
    void lookUpImages();
    void lookUpWidgets();
    void placePanels();
    void setMinFrameTime(unsigned ms);
};

extern Resources* resources;

} // namespace quellon

#endif
