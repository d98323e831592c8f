#include "ravek/src/debug.h"

#include "ravek/src/xml.h"

#include <cstdio>
#include <cstring>
#include <mutex>

namespace ravek {
namespace debug {

char const* const LEVEL_NAME[6] = {"none", "critical", "error", "warning", "info", "debug"};

namespace {
// Guards the group table and keeps each line whole; the music thread logs too.
std::recursive_mutex& logMutex() {
    static std::recursive_mutex mutex;
    return mutex;
}
} // namespace

Groups& getGroups() {
    static Groups* table = new Groups; // never destroyed: static destructors may still log
    return *table;
}

Groups& groups = getGroups();
std::list<std::string> messages;
std::string previousMessage;

void setGroup(int id, std::string const& name, DebugLevel level) {
    std::lock_guard<std::recursive_mutex> lock(logMutex());
    getGroups()[id] = Group(name, level);
}

void setGroupName(int id, std::string const& name) {
    std::lock_guard<std::recursive_mutex> lock(logMutex());
    getGroups()[id].name = name;
}

void vmessagef(DebugLevel level, int group, char const* format, va_list args) {
    if (!format)
        return;
    std::lock_guard<std::recursive_mutex> lock(logMutex());
    Group& g = getGroups()[group];
    if (g.level < level)
        return;
    int index = (level >= LEVEL_NONE && level <= LEVEL_DEBUG) ? level : LEVEL_NONE;
    std::fprintf(stdout, "[%s] (%s) ", g.name.c_str(), LEVEL_NAME[index]);
    std::vfprintf(stdout, format, args);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

#define RAVEK_LOG_AT(LEVEL)                                                                        \
    va_list args;                                                                                  \
    va_start(args, format);                                                                        \
    vmessagef(LEVEL, group, format, args);                                                         \
    va_end(args)

void critical(int group, char const* format, ...) {
    RAVEK_LOG_AT(LEVEL_CRITICAL);
}
void error(int group, char const* format, ...) {
    RAVEK_LOG_AT(LEVEL_ERROR);
}
void warning(int group, char const* format, ...) {
    RAVEK_LOG_AT(LEVEL_WARNING);
}
void info(int group, char const* format, ...) {
    RAVEK_LOG_AT(LEVEL_INFO);
}

#undef RAVEK_LOG_AT

void debug(int, char const*, ...) {}

void init() {}

DebugLevel debugLevel(char const* name) {
    DebugLevel result = LEVEL_NONE;
    if (!name)
        return result;
    for (int i = 0; i < 6; ++i)
        if (std::strcmp(LEVEL_NAME[i], name) == 0)
            result = static_cast<DebugLevel>(i);
    return result;
}

void Groups::loadSettings(char const* file) {
    xml::Node* root = xml::loadXML(file);
    if (!root)
        return;
    getSettingsFromNode(root);
    delete root;
}

void Groups::getSettingsFromNode(xml::Node const* node) {
    if (!node || node->name != "debug")
        return;
    std::lock_guard<std::recursive_mutex> lock(logMutex());
    for (xml::Node const* child : node->children) {
        if (child->name != "group")
            continue;
        std::string const* name = child->getAttribute("name");
        std::string const* level = child->getAttribute("level");
        if (!name || !level)
            continue;
        DebugLevel newLevel = debugLevel(level->c_str());
        for (auto& entry : *this)
            if (entry.second.name == *name)
                entry.second.level = newLevel;
    }
}

} // namespace debug
} // namespace ravek
