#ifndef QUELLON_HIGHSCORES_H
#define QUELLON_HIGHSCORES_H

#include "ravek/src/tools.h"

#include <cstdint>
#include <string>

namespace ravek {
namespace xml {
class Node;
}
} // namespace ravek

namespace quellon {

extern char const* const XML_HIGHSCORES;
extern char const* const XML_HIGHSCORES_SINGLE_A;
extern char const* const XML_HIGHSCORES_SINGLE_B;
extern char const* const XML_HIGHSCORES_MULTI;
extern char const* const HIGHSCORES_DEFAULT_NAME;

// The mode of a game; it selects the high-score table and the music.
enum GameType { singlePlayerA = 0, singlePlayerB = 1, multiPlayer = 2 };

// One row of a high-score table.
class HighscoreEntry {
public:
    std::string name;
    std::uint32_t score;

    HighscoreEntry() : score(0) {}
    HighscoreEntry(std::string const& name, std::uint32_t score) : name(name), score(score) {}

    // The larger score ranks higher; names do not count.
    bool operator>(HighscoreEntry const& other) const { return score > other.score; }

    // "name" (empty when absent) and "score": a negative or unreadable score reads as 0, one
    // beyond 32 bits as the largest score, so no file can make a row wrap around.
    void getFromNode(ravek::xml::Node const* node);
    void putInNode(ravek::xml::Node* node) const;
};

typedef ravek::HighscoreTable<HighscoreEntry, 10> HighscoreTable;

// The three tables of ten rows, one per game type, and their file. Reading fills each named
// table row by row in the file's order without sorting; missing rows keep what they hold.
class Highscores {
public:
    HighscoreTable singleA;
    HighscoreTable singleB;
    HighscoreTable multi;

    HighscoreTable& table(GameType type);
    // Fills the tables from the children of a "highscores" root.
    void getFromNode(ravek::xml::Node const* root);
    // A new tree of the whole file; the caller deletes it.
    ravek::xml::Node* buildDomTree() const;
    // Reads the file; an empty one leaves the tables. XML errors and a root of another name are
    // thrown as std::string, the tables unchanged.
    void load(std::string const& path);
    // Writes the file (replacing it only when complete); false when it could not be written.
    bool save(std::string const& path) const;
    // Every row becomes an empty name with score 0.
    void clear();
    // The default tables: every row named HIGHSCORES_DEFAULT_NAME with its default score.
    void setDefaults();
};

} // namespace quellon

#endif
