#include "ravek/src/files.h"

namespace ravek {

std::string SysDirManager::getDir(SysDir kind) const {
    if (kind == SYSDIR_DATA && !dataPath.empty())
        return dataPath;
    return std::string();
}

std::string SysDirManager::getSubDir(SysDir kind, std::string, bool) const {
    return getDir(kind);
}

bool mkdirs(std::string) {
    return false;
}

} // namespace ravek
