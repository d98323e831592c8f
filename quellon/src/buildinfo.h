#ifndef QUELLON_BUILDINFO_H
#define QUELLON_BUILDINFO_H

#include <string>

namespace quellon {

extern char const* const VERSION_MAIN;
extern char const* const VERSION_SUB;

// "1.0".
std::string getVersion();
// The compiler's date ("Sep  2 2006") and time ("05:18:31") of this build.
std::string getBuildDate();
std::string getBuildTime();
// "1.0 (Sep  2 2006, 05:18:31)".
std::string getFullVersion();

} // namespace quellon

#endif
