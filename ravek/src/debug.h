#ifndef RAVEK_DEBUG_H
#define RAVEK_DEBUG_H

#include <cstdarg>
#include <list>
#include <map>
#include <string>

namespace ravek {

namespace xml {
class Node;
}

namespace debug {

enum DebugLevel {
    LEVEL_NONE = 0,
    LEVEL_CRITICAL = 1,
    LEVEL_ERROR = 2,
    LEVEL_WARNING = 3,
    LEVEL_INFO = 4,
    LEVEL_DEBUG = 5
};

extern char const* const LEVEL_NAME[6];

// One log group: a name shown in each line and the highest level that is printed.
struct Group {
    std::string name;
    DebugLevel level;

    Group() : name("undefined"), level(LEVEL_INFO) {}
    Group(std::string const& name, DebugLevel level) : name(name), level(level) {}
};

// The table of log groups by id. Groups unknown when first used are added as ("undefined", info).
// Reading a settings file only changes the levels of groups already present; what the XML layer
// throws passes to the caller.
class Groups : public std::map<int, Group> {
public:
    void loadSettings(char const* file);
    void getSettingsFromNode(xml::Node const* node);
};

// The one group table, built on first use so that logging from static initialisers is safe.
Groups& getGroups();
extern Groups& groups;

extern std::list<std::string> messages;
extern std::string previousMessage;

// Names or renames a group; safe to call from any thread.
void setGroup(int id, std::string const& name, DebugLevel level);
// Renames a group, creating it with the default level when absent; safe from any thread.
void setGroupName(int id, std::string const& name);

// Each writes one line "[group] (level) message" to standard output when the group's level
// admits it. Callable from any thread; lines never interleave.
void critical(int group, char const* format, ...) __attribute__((format(printf, 2, 3)));
void error(int group, char const* format, ...) __attribute__((format(printf, 2, 3)));
void warning(int group, char const* format, ...) __attribute__((format(printf, 2, 3)));
void info(int group, char const* format, ...) __attribute__((format(printf, 2, 3)));
// Debug messages are never emitted.
void debug(int group, char const* format, ...) __attribute__((format(printf, 2, 3)));

void vmessagef(DebugLevel level, int group, char const* format, va_list args);
void init();
DebugLevel debugLevel(char const* name);

} // namespace debug

int const dbgCore = -1;
int const dbgControls = -2;
int const dbgGui = -3;
int const dbgDdd = -4;
int const dbgMath = -5;
int const dbgSprites = -6;
int const dbgImages = -7;
int const dbgFonts = -8;
int const dbgXml = -9;
int const dbgAudio = -10;
int const dbgCollision = -11;
int const dbgAnimations = -12;
int const dbgResources = -13;

} // namespace ravek

#endif
