#include "quellon/src/buildinfo.h"

namespace quellon {

char const* const VERSION_MAIN = "1";
char const* const VERSION_SUB = "0";

std::string getVersion() {
    return std::string(VERSION_MAIN) + "." + VERSION_SUB;
}

std::string getBuildDate() {
    return __DATE__;
}

std::string getBuildTime() {
    return __TIME__;
}

std::string getFullVersion() {
    return getVersion() + " (" + getBuildDate() + ", " + getBuildTime() + ")";
}

} // namespace quellon
