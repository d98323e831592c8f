#include "ravek/src/controls_keynames.h"

namespace ravek {

namespace {

void add(std::map<SDLKey, std::string>& map, int key, std::string const& name) {
    map[static_cast<SDLKey>(key)] = name;
}

std::map<SDLKey, std::string> buildKeyNames() {
    std::map<SDLKey, std::string> map;
    add(map, 8, "backspace");
    add(map, 9, "tab");
    add(map, 12, "clear");
    add(map, 13, "return");
    add(map, 19, "pause");
    add(map, 27, "esc");
    add(map, 32, "space");
    // The printable keys are named by their own character; SDL has no key 37.
    for (int key = 33; key <= 64; ++key)
        if (key != 37)
            add(map, key, std::string(1, static_cast<char>(key)));
    add(map, 91, "[");
    add(map, 92, "\\");
    add(map, 93, "}"); // the closing square bracket keeps the name existing files use
    add(map, 94, "^");
    add(map, 95, "_");
    add(map, 96, "`");
    for (int key = 'a'; key <= 'z'; ++key)
        add(map, key, std::string(1, static_cast<char>(key)));
    add(map, 127, "del");
    for (int digit = 0; digit <= 9; ++digit)
        add(map, 256 + digit, "pad_" + std::to_string(digit));
    add(map, 266, "pad_.");
    add(map, 267, "pad_/");
    add(map, 268, "pad_*");
    add(map, 269, "pad_-");
    add(map, 270, "pad_+");
    add(map, 271, "enter");
    add(map, 272, "pad_=");
    char const* const navigation[] = {"up",   "down", "right", "left", "ins",
                                      "home", "end",  "pgup",  "pgdn"};
    for (int i = 0; i < 9; ++i)
        add(map, 273 + i, navigation[i]);
    for (int f = 1; f <= 15; ++f)
        add(map, 281 + f, "f" + std::to_string(f));
    char const* const modifiers[] = {"numlock", "capslock", "scrollock", "rshift", "lshift",
                                     "rctrl",   "lctrl",    "ralt",      "lalt",   "rmeta",
                                     "lmeta",   "lwin",     "rwin",      "mode"};
    for (int i = 0; i < 14; ++i)
        add(map, 300 + i, modifiers[i]);
    char const* const extras[] = {"help", "printscreen", "sysrq", "break", "menu", "power", "euro"};
    for (int i = 0; i < 7; ++i)
        add(map, 315 + i, extras[i]);
    return map;
}

} // namespace

std::map<SDLKey, std::string>& getKeyNameMap() {
    static std::map<SDLKey, std::string> map = buildKeyNames();
    return map;
}

std::map<std::string, SDLKey>& getNameKeyMap() {
    static std::map<std::string, SDLKey> map = [] {
        std::map<std::string, SDLKey> inverse;
        for (auto const& entry : getKeyNameMap())
            inverse[entry.second] = entry.first;
        return inverse;
    }();
    return map;
}

template <>
std::string toStr<SDLKey>(SDLKey key) {
    auto const& map = getKeyNameMap();
    auto it = map.find(key);
    return it == map.end() ? std::string() : it->second;
}

template <>
SDLKey strTo<SDLKey>(std::string text) {
    auto const& map = getNameKeyMap();
    auto it = map.find(text);
    if (it == map.end())
        throw text + " is no valid key identifier.";
    return it->second;
}

} // namespace ravek
