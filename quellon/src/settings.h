#ifndef QUELLON_SETTINGS_H
#define QUELLON_SETTINGS_H

#include <string>

namespace ravek {
class InputEvaluator;
namespace xml {
class Node;
}
} // namespace ravek

namespace quellon {

extern char const* const FILE_SETTINGS;
extern char const* const XML_SETTINGS;
extern char const* const XML_SETTINGS_NAME;
extern char const* const XML_SETTINGS_CONTROLS;
extern char const* const XML_SETTINGS_CONTROLS_SINGLE;
extern char const* const XML_SETTINGS_CONTROLS_MULTI_1;
extern char const* const XML_SETTINGS_CONTROLS_MULTI_2;
extern char const* const XML_SETTINGS_SCREEN;
extern char const* const XML_SETTINGS_FULLSCREEN;
extern char const* const XML_SETTINGS_XRES;
extern char const* const XML_SETTINGS_YRES;
extern char const* const XML_SETTINGS_SOUND;
extern char const* const XML_SETTINGS_VOLUME_SFX;
extern char const* const XML_SETTINGS_VOLUME_MUSIC;

// What the player chooses, kept in "settings.xml". Volumes are percent (gains are value / 100);
// a music volume of 0 means no music manager.
class Settings {
public:
    int xRes = 800;
    int yRes = 600;
    bool fullscreen = true;
    int volumeSfx = 70;
    int volumeMusic = 100;
};

// The three control groups of the file, in the order they are written: the single player,
// multiplayer player 1 and multiplayer player 2.
int const CONTROL_GROUPS = 3;
extern char const* const CONTROL_GROUP_NAMES[CONTROL_GROUPS];

// Applies a settings document to the settings and the players' evaluators (any of them may be
// null). A group naming no player is warned about and skipped; volumes outside 0..100 are
// clamped and a size of 0 or less, or above 16384, keeps the value held, each with a warning.
// Never throws.
void applySettings(ravek::xml::Node const* root, Settings& settings,
                   ravek::InputEvaluator* const evaluators[CONTROL_GROUPS]);

// A new document of the settings and the three evaluators' bindings; the caller deletes it.
ravek::xml::Node* buildSettingsTree(Settings const& settings,
                                    ravek::InputEvaluator* const evaluators[CONTROL_GROUPS]);

} // namespace quellon

#endif
