#include "quellon/src/settings.h"

#include "ravek/src/controls.h"
#include "ravek/src/debug.h"
#include "ravek/src/xml.h"

namespace quellon {

char const* const FILE_SETTINGS = "settings.xml";
char const* const XML_SETTINGS = "settings";
char const* const XML_SETTINGS_NAME = "name";
char const* const XML_SETTINGS_CONTROLS = "controls";
char const* const XML_SETTINGS_CONTROLS_SINGLE = "single";
char const* const XML_SETTINGS_CONTROLS_MULTI_1 = "multi 1";
char const* const XML_SETTINGS_CONTROLS_MULTI_2 = "multi 2";
char const* const XML_SETTINGS_SCREEN = "screen";
char const* const XML_SETTINGS_FULLSCREEN = "fullscreen";
char const* const XML_SETTINGS_XRES = "xRes";
char const* const XML_SETTINGS_YRES = "yRes";
char const* const XML_SETTINGS_SOUND = "sound";
char const* const XML_SETTINGS_VOLUME_SFX = "volumeSfx";
char const* const XML_SETTINGS_VOLUME_MUSIC = "volumeMusic";

char const* const CONTROL_GROUP_NAMES[CONTROL_GROUPS] = {
    XML_SETTINGS_CONTROLS_SINGLE, XML_SETTINGS_CONTROLS_MULTI_1, XML_SETTINGS_CONTROLS_MULTI_2};

namespace {

int const dbgResources = 3;

// No window is larger: OpenGL draws at most this many pixels across, and X ends a program
// that asks Mesa for a far larger one.
long const MAX_SIZE = 16384;

// A hand-edited size of 0 or less would fail every start; the value held stays.
void readSize(ravek::xml::Node const* node, char const* name, int& value) {
    long read = node->getAttributeLong(name, value);
    if (read <= 0 || read > MAX_SIZE) {
        ravek::debug::warning(dbgResources, "Settings: %s %ld is not a size, keeping %d.", name,
                              read, value);
        return;
    }
    value = static_cast<int>(read);
}

// A volume of 5000 would make a gain of 50.
void readVolume(ravek::xml::Node const* node, char const* name, int& value) {
    long read = node->getAttributeLong(name, value);
    if (read < 0 || read > 100) {
        long clamped = read < 0 ? 0 : 100;
        ravek::debug::warning(dbgResources, "Settings: %s %ld taken as %ld.", name, read, clamped);
        read = clamped;
    }
    value = static_cast<int>(read);
}

} // namespace

void applySettings(ravek::xml::Node const* root, Settings& settings,
                   ravek::InputEvaluator* const evaluators[CONTROL_GROUPS]) {
    for (ravek::xml::Node const* child : root->children) {
        if (child->name == XML_SETTINGS_CONTROLS) {
            std::string name = child->getAttribute(XML_SETTINGS_NAME, "");
            int group = 0;
            while (group < CONTROL_GROUPS && name != CONTROL_GROUP_NAMES[group])
                ++group;
            if (group == CONTROL_GROUPS) {
                ravek::debug::warning(dbgResources, "Unknown control group \"%s\".", name.c_str());
                continue;
            }
            if (evaluators[group])
                evaluators[group]->getTranslatorsFromNode(child);
        } else if (child->name == XML_SETTINGS_SCREEN) {
            settings.fullscreen =
                child->getAttributeBool(XML_SETTINGS_FULLSCREEN, settings.fullscreen);
            readSize(child, XML_SETTINGS_XRES, settings.xRes);
            readSize(child, XML_SETTINGS_YRES, settings.yRes);
        } else if (child->name == XML_SETTINGS_SOUND) {
            readVolume(child, XML_SETTINGS_VOLUME_SFX, settings.volumeSfx);
            readVolume(child, XML_SETTINGS_VOLUME_MUSIC, settings.volumeMusic);
        }
    }
}

ravek::xml::Node* buildSettingsTree(Settings const& settings,
                                    ravek::InputEvaluator* const evaluators[CONTROL_GROUPS]) {
    using ravek::xml::Node;
    auto* root = new Node(XML_SETTINGS, nullptr);
    auto* screen = new Node(XML_SETTINGS_SCREEN, nullptr);
    *root += screen;
    screen->setAttributeBool(XML_SETTINGS_FULLSCREEN, settings.fullscreen);
    screen->setAttributeLong(XML_SETTINGS_XRES, settings.xRes);
    screen->setAttributeLong(XML_SETTINGS_YRES, settings.yRes);
    auto* sound = new Node(XML_SETTINGS_SOUND, nullptr);
    *root += sound;
    sound->setAttributeLong(XML_SETTINGS_VOLUME_SFX, settings.volumeSfx);
    sound->setAttributeLong(XML_SETTINGS_VOLUME_MUSIC, settings.volumeMusic);
    for (int group = 0; group < CONTROL_GROUPS; ++group) {
        auto* controls = new Node(XML_SETTINGS_CONTROLS, nullptr);
        *root += controls;
        (*controls)[XML_SETTINGS_NAME] = CONTROL_GROUP_NAMES[group];
        if (evaluators[group])
            evaluators[group]->addTranslatorsToTree(controls);
    }
    return root;
}

} // namespace quellon
