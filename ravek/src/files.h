#ifndef RAVEK_FILES_H
#define RAVEK_FILES_H

#include <string>

namespace ravek {

// Kinds of directory: 1 settings, 2 data, 3 high scores.
typedef int SysDir;
typedef int SysDirCategory;

SysDir const SYSDIR_SETTINGS = 1;
SysDir const SYSDIR_DATA = 2;
SysDir const SYSDIR_HIGHSCORES = 3;

// Directory lookup for one application. Everything lives in the working directory except the
// data, which lives under dataPath once the owner sets it. Paths come back ready for a file name
// to be appended.
class SysDirManager {
public:
    std::string applicationKey;
    SysDirCategory category;
    std::string dataPath;

    SysDirManager(std::string applicationKey, SysDirCategory category)
        : applicationKey(applicationKey), category(category) {}

    std::string getDir(SysDir kind) const;
    // The subdirectory and the create flag are not used.
    std::string getSubDir(SysDir kind, std::string subdir, bool create) const;
};

// Creates nothing and reports false.
bool mkdirs(std::string path);

} // namespace ravek

#endif
