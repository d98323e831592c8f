// Placeholder until the game state lands: a game that returns to the menu at once.
#include "quellon/src/game.h"

namespace quellon {

float approach(float value, float target, float step) {
    if (value < target)
        return value + step > target ? target : value + step;
    return value - step < target ? target : value - step;
}

Game::Game(GameType) {
    deleteRequested = true;
}
Game::~Game() {}
void Game::startMusic() {}
void Game::activate() {
    GameState::activate();
}
void Game::deactivate() {
    GameState::deactivate();
}
void Game::handleEvent(ravek::Trigger const* t) {
    GameState::handleEvent(t);
}
void Game::doPerform(int l, unsigned int ms) {
    GameState::doPerform(l, ms);
}
void Game::doDraw(int l) {
    GameState::doDraw(l);
}
void Game::closeWindowSoundSettings(bool c) {
    GameState::closeWindowSoundSettings(c);
}
void Game::closeWindowControls(bool c) {
    GameState::closeWindowControls(c);
}

} // namespace quellon
