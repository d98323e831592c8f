#include "ravek/src/buildinfo.h"

#include "ravek/src/tools.h"

namespace ravek {

std::string getVersion() {
    return toStr<int>(VERSION_MAJOR) + "." + toStr<int>(VERSION_MINOR);
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

} // namespace ravek
