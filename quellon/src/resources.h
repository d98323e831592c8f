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
    bool imagesLoaded = false;
    // The play area: 800 x 600 once the video mode is set.
    ravek::basic_Rect<float> viewport;
    // The game's space (800 x 600 whatever the window), alpha blending.
    ravek::RenderContext2D renderContext;
    // The same space, additive blending: the game's texts.
    ravek::RenderContext2D renderContextAdditive;
    // The window's pixels: the GUI and the logo.
    ravek::RenderContext2D renderContextGui;
    ravek::fonts::FontBank* fonts = nullptr;
    // "Standard" of size 33; null when the data set has none.
    ravek::fonts::Font* fontStandard = nullptr;
    ravek::gfx::ImageBank* imagesGame = nullptr;
    ravek::gfx::AnimationBank* animationsGame = nullptr;
    ravek::gfx::ImageBank* imagesHud = nullptr;
    ravek::gfx::ImageBank* imagesGui = nullptr;
    ravek::gui::GUI* gui = nullptr;
    SDL_Joystick* joysticks[2] = {};
    ravek::InputEvaluator* evaluatorCore = nullptr;
    ravek::InputEvaluator* evaluatorMenu = nullptr;
    ravek::InputEvaluator* evaluatorGameCore = nullptr;
    ravek::InputEvaluator* evaluatorGamePlayerSingle = nullptr;
    ravek::InputEvaluator* evaluatorGamePlayerMulti[2] = {};
    ravek::ControlQueue* controlQueue = nullptr;
    ravek::particles::StarfieldProperties starfieldProperties;
    ravek::particles::Starfield* starfield = nullptr;
    ravek::audio::SampleBank* sounds = nullptr;
    ravek::audio::SampleBank* music = nullptr;

    ravek::audio::Sample* explosion = nullptr;
    ravek::audio::Sample* laser = nullptr;
    ravek::audio::Sample* ping = nullptr;
    ravek::audio::Sample* extra = nullptr;
    ravek::audio::Sample* timewarp = nullptr;
    ravek::audio::Sample* menu_move = nullptr;
    ravek::audio::Sample* menu_click = nullptr;

    ravek::audio::StreamedSample* music_title_intro = nullptr;
    ravek::audio::StreamedSample* music_title_loop = nullptr;
    ravek::audio::StreamedSample* music_game_a_intro = nullptr;
    ravek::audio::StreamedSample* music_game_a_loop = nullptr;
    ravek::audio::StreamedSample* music_game_b_intro = nullptr;
    ravek::audio::StreamedSample* music_game_b_loop = nullptr;
    ravek::audio::StreamedSample* music_death = nullptr;
    ravek::audio::StreamedSample* music_highscores_intro = nullptr;
    ravek::audio::StreamedSample* music_highscores_loop = nullptr;
    ravek::audio::StreamedSample* music_gameover_intro = nullptr;
    ravek::audio::StreamedSample* music_gameover_loop = nullptr;

    ravek::audio::SourcePool* poolMenu = nullptr;
    ravek::audio::SourcePool* poolGame = nullptr;
    ravek::audio::MusicManager* musicManager = nullptr;
    Highscores highscores;

    ravek::gfx::Image* logo = nullptr;
    ravek::gfx::Animation* player1 = nullptr;
    ravek::gfx::Animation* player2 = nullptr;
    ravek::gfx::Image* laserRayGreen = nullptr;
    ravek::gfx::Image* laserRoundGreen = nullptr;
    ravek::gfx::Image* laserRoundRed = nullptr;
    ravek::gfx::Animation* engine = nullptr;
    ravek::gfx::Animation* engineStutter = nullptr;
    ravek::gfx::Animation* shield = nullptr;
    ravek::gfx::Animation* asteroidSmall = nullptr;
    ravek::gfx::Animation* asteroidLarge = nullptr;
    ravek::gfx::Animation* crystal = nullptr;
    ravek::gfx::Animation* container[3] = {};
    ravek::gfx::Animation* extraFireRate = nullptr;
    ravek::gfx::Animation* extraLaserType = nullptr;
    ravek::gfx::Animation* extraSpeedup = nullptr;
    ravek::gfx::Animation* extraShield = nullptr;
    ravek::gfx::Animation* extraScore = nullptr;
    ravek::gfx::Animation* extraTimeWarp = nullptr;
    ravek::gfx::Animation* foeLeft = nullptr;
    ravek::gfx::Animation* foeRight = nullptr;
    ravek::gfx::Animation* explosionFast = nullptr;
    ravek::gfx::Animation* explosionSlow = nullptr;

    ravek::gfx::Image* hudFull = nullptr;
    ravek::gfx::Image* hudShield = nullptr;
    // speed_1 .. speed_5.
    ravek::gfx::Image* hudSpeed[5] = {};
    // fire_<laser type + 1>_<fire rate>.
    ravek::gfx::Image* hudFire[5][6] = {};
    // timewarp_1, timewarp_2.
    ravek::gfx::Image* hudTimewarp[2] = {};

    // The background loader while it runs; the engine deletes it when it finishes.
    ravek::gfx::ImageLoader* imageLoader = nullptr;

    ravek::gui::Pane* pMainMenu = nullptr;
    ravek::gui::Pane* pSettings = nullptr;
    ravek::gui::Pane* pControls = nullptr;
    ravek::gui::Pane* pCredits = nullptr;
    ravek::gui::Pane* pGetKey = nullptr;
    ravek::gui::Pane* pSoundSettings = nullptr;
    ravek::gui::Pane* pEnterName = nullptr;
    ravek::gui::Pane* pInGame = nullptr;
    ravek::gui::Pane* pQuit = nullptr;
    ravek::gui::Button* btnQuitNo = nullptr;
    ravek::gui::Button* btnQuit = nullptr;
    ravek::gui::Button* btnSinglePlayerA = nullptr;
    ravek::gui::Button* btnSinglePlayerB = nullptr;
    ravek::gui::Button* btnMultiplayer = nullptr;
    ravek::gui::Button* btnSettings = nullptr;
    ravek::gui::Button* btnCredits = nullptr;
    ravek::gui::Button* btnControlsSinglePlayer = nullptr;
    ravek::gui::Button* btnControlsMultiplayer1 = nullptr;
    ravek::gui::Button* btnControlsMultiplayer2 = nullptr;
    ravek::gui::Button* btnSettingsDone = nullptr;
    ravek::gui::Button* btnSoundSettings = nullptr;
    ravek::gui::Button* btnSoundSettingsOk = nullptr;
    ravek::gui::Checkbox* cbFullscreen = nullptr;
    ravek::gui::Button* btnControlsPlayer1 = nullptr;
    ravek::gui::Button* btnControlsPlayer2 = nullptr;
    ravek::gui::Button* btnControlsLeft = nullptr;
    ravek::gui::Button* btnControlsRight = nullptr;
    ravek::gui::Button* btnControlsFire = nullptr;
    ravek::gui::Label* labelControlsHeader = nullptr;
    ravek::gui::Label* labelControlsLeft = nullptr;
    ravek::gui::Label* labelControlsRight = nullptr;
    ravek::gui::Label* labelControlsUp = nullptr;
    ravek::gui::Label* labelControlsDown = nullptr;
    ravek::gui::Label* labelControlsLeftJoy = nullptr;
    ravek::gui::Label* labelControlsRightJoy = nullptr;
    ravek::gui::Label* labelControlsUpJoy = nullptr;
    ravek::gui::Label* labelControlsDownJoy = nullptr;
    ravek::gui::Label* labelControlsFire = nullptr;
    ravek::gui::Label* labelControlsShield = nullptr;
    ravek::gui::Label* labelControlsTimeWarp = nullptr;
    ravek::gui::Label* labelControlsFireJoy = nullptr;
    ravek::gui::Label* labelControlsShieldJoy = nullptr;
    ravek::gui::Label* labelControlsTimeWarpJoy = nullptr;
    ravek::gui::Label* labelControlsPauseJoy = nullptr;
    ravek::gui::Label* lGetKeyTriggerName = nullptr;
    ravek::gui::Label* lGetKeyHeader = nullptr;
    ravek::gui::Label* lGetKeyHeaderAlternate = nullptr;
    ravek::gui::Label* lHeaderVersion = nullptr;
    ravek::gui::Button* btnContinue = nullptr;
    ravek::gui::Button* btnInGameSoundSettings = nullptr;
    ravek::gui::Button* btnInGameControlsSinglePlayer = nullptr;
    ravek::gui::Button* btnInGameControlsMultiplayer1 = nullptr;
    ravek::gui::Button* btnInGameControlsMultiplayer2 = nullptr;
    ravek::gui::Checkbox* cbInGameFullscreen = nullptr;
    ravek::gui::Slider<int>* sVolumeSounds = nullptr;
    ravek::gui::Slider<int>* sVolumeMusic = nullptr;
    ravek::gui::Label* lVolumeSoundsValue = nullptr;
    ravek::gui::Label* lVolumeMusicValue = nullptr;
    ravek::gui::LabelStyle* lsTextfieldRed = nullptr;
    ravek::gui::LabelStyle* lsTextfieldBlue = nullptr;
    ravek::gui::InputCaptor* icGetKey = nullptr;
    // The name entry's prompt and field.
    ravek::gui::Label* lEnterName = nullptr;
    ravek::gui::Textfield* tfEnterName = nullptr;

    // Where the logo stands in the GUI's space, and its colour (the alpha fades in while the
    // game's images load).
    ravek::basic_Vector2D<float> logoPosition;
    ravek::Color logoColor{1.0f, 1.0f, 1.0f, 0.0f};
    // The volumes in force (percent); they differ from the settings while the sound window is
    // open.
    int currentVolumeSfx = 0;
    int currentVolumeMusic = 0;

    // Sets the data path, loads "resources.xml", finds the banks and evaluators, renames the
    // player evaluator and clones it for two players, fills the control queue and reads the
    // settings. Needs the engine started; touches neither OpenGL nor OpenAL.
    Resources();
    // Deletes the sound pools, the music manager, the starfield and the banks (the GUI first,
    // evaluators once out of the control queue) and closes the joysticks.
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

    // The default controls of the data set, then "settings.xml"; never throws. A file there that
    // cannot be read is moved aside before anything replaces it, and when it cannot be moved it
    // is never written over; the same for "highscores.xml".
    void loadSettings();
    // Writes "settings.xml"; false when it could not be written (logged).
    bool saveSettings();
    void initHighscores();
    // The default tables, then "highscores.xml"; never throws.
    void loadHighscores();
    // Writes "highscores.xml"; false when it could not be written (logged).
    bool saveHighscores();

    // The names the game looks up that the data set lacks, and the files of its banks that
    // cannot be read, as one text ("image \"logo\", sample \"ping\", file \"...\""); empty
    // when nothing is missing.
    std::string missingNames();

    // The three player evaluators in the order of the settings file's control groups.
    void playerEvaluators(ravek::InputEvaluator* out[CONTROL_GROUPS]) const;

private:
    // An unreadable file that could not be moved aside stays as it is.
    bool keepSettingsFile = false;
    bool keepHighscoresFile = false;

    void build();
    // Deletes what the hub owns, the banks included.
    void release();
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
