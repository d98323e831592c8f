#ifndef RAVEK_BUILDINFO_H
#define RAVEK_BUILDINFO_H

#include <string>

namespace ravek {

int const VERSION_MAJOR = 1;
int const VERSION_MINOR = 0;

std::string getVersion();
// The compiler's date ("Sep  2 2006") and time ("14:03:27") of this build.
std::string getBuildDate();
std::string getBuildTime();
// "1.0 (date, time)"
std::string getFullVersion();

} // namespace ravek

#endif
