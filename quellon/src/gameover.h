#ifndef QUELLON_GAMEOVER_H
#define QUELLON_GAMEOVER_H

// The end of a game (ranking, name entry, the game-over page) and the game's drawing are
// Game's operations in gameover.cpp; here is what they share with the rest of the game.

#include "quellon/src/highscores.h"

#include "ravek/src/ravek.h"

#include <string>

namespace quellon {

// The players' score colours and the texts' white.
extern ravek::Color const white;
extern ravek::Color const red;
extern ravek::Color const blue;
// Each player's last entered name, kept for the whole run.
extern std::string previousName[2];

// The rows of two scores in a table (-1 when not ranked): the first row with a lower score;
// with two players the lower scorer moves down one row; equal scores keep equal rows.
void rankPlayers(HighscoreTable const& table, unsigned const scores[2], unsigned players,
                 int ranks[2]);

} // namespace quellon

#endif
