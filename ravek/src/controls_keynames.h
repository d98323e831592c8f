#ifndef RAVEK_CONTROLS_KEYNAMES_H
#define RAVEK_CONTROLS_KEYNAMES_H

#include "ravek/src/tools.h"

#include <SDL/SDL.h>

#include <map>
#include <string>

namespace ravek {

// The fixed table between SDL key symbols and the names that files and labels use. Both maps
// are built on first use and live for the rest of the run; a key missing from them has no name.
std::map<SDLKey, std::string>& getKeyNameMap();
std::map<std::string, SDLKey>& getNameKeyMap();

// The key's name, or the empty text for a key without one.
template <>
std::string toStr<SDLKey>(SDLKey key);

// The key of a name, matched exactly. Throws "<text> is no valid key identifier." for any text
// that names no key, the empty text included.
template <>
SDLKey strTo<SDLKey>(std::string text);

} // namespace ravek

#endif
