#include "quellon/src/game.h"

#include "quellon/src/resources.h"
#include "quellon/src/tuning.h"

#include "ravek/src/audio/music.h"
#include "ravek/src/controls.h"
#include "ravek/src/gfx/fonts.h"
#include "ravek/src/gfx/images.h"
#include "ravek/src/gui/containers.h"
#include "ravek/src/gui/text.h"

#include <cassert>
#include <cmath>
#include <cstdio>

namespace quellon {

using ravek::basic_Vector2D;
using ravek::sprites::SpriteEngine;

ravek::Color const white(1.0f, 1.0f, 1.0f, 1.0f);
ravek::Color const red(1.0f, 0.0f, 0.0f, 1.0f);
ravek::Color const blue(0.0f, 0.0f, 1.0f, 1.0f);
std::string previousName[2];

// Game over and name entry

void Game::gameOver() {
    gameIsOver = true;
    if (aborted) {
        setHighscoresChecked(static_cast<unsigned char>(players));
        return;
    }
    unsigned const scores[2] = {player[0]->score, player[1] ? player[1]->score : 0};
    rankPlayers(*getHighscores(), scores, players, ranks);
    setHighscoresChecked(0);
}

void Game::setHighscoresChecked(unsigned char k) {
    HighscoreTable const& table = *getHighscores();
    for (unsigned i = k; i < players; ++i) {
        // An equal score entered first may have pushed this one out of the last row.
        if (ranks[i] >= 0 && table[HighscoreTable::size() - 1].score >= player[i]->score)
            ranks[i] = -1;
        if (ranks[i] < 0)
            continue;
        entryPlayer = static_cast<unsigned char>(i);
        phase = phaseNameEntry;
        resources->lEnterName->setCaption("Enter your name, player " + ravek::toStr(i + 1) + ":");
        resources->tfEnterName->setCaption(previousName[i]);
        resources->tfEnterName->setStyle(i == 0 ? resources->lsTextfieldRed
                                                : resources->lsTextfieldBlue);
        showPanel(resources->pEnterName, resources->tfEnterName);
        // Shown, but deaf to keys for a moment; a key still held repeats nothing into it.
        resources->gui->setActive(false);
        resources->tfEnterName->heldChar = 0;
        phaseTimer = specs.nameEntryQuietTime;
        return;
    }
    resources->saveHighscores();
    resources->controlQueue->flush();
    gameOverClock = 0;
    phase = phaseGameOver;
    ravek::audio::MusicManager* music = resources->musicManager;
    if (!music || resources->currentVolumeMusic <= 0)
        return;
    if (ranks[0] >= 0 || ranks[1] >= 0) {
        music->addAsLast(resources->music_highscores_intro);
        music->addAsLast(resources->music_highscores_loop);
        startQueuedMusic(true);
    } else {
        music->addAsLast(resources->music_gameover_intro);
        music->addAsLast(resources->music_gameover_loop);
        if (!music->isPlaying())
            startQueuedMusic(false);
    }
}

void Game::endNameEntry() {
    std::string name = resources->tfEnterName->getCaption();
    if (name.find_first_not_of(" \t\xa0") == std::string::npos)
        return;
    previousName[entryPlayer] = name;
    // The row the entry really took: the second of two equal scores goes below the first.
    int row = getHighscores()->add(HighscoreEntry(name, player[entryPlayer]->score));
    // Rows entered before, at or below it, move down with their names; past the last, gone.
    for (unsigned i = 0; i < entryPlayer && row >= 0; ++i)
        if (ranks[i] >= row && ++ranks[i] >= HighscoreTable::size())
            ranks[i] = -1;
    ranks[entryPlayer] = row;
    hidePanel(resources->pEnterName);
    setHighscoresChecked(static_cast<unsigned char>(entryPlayer + 1));
    // The next player's entry is open: this name is kept now, should the game be left (the
    // window closed, the program ended) before it.
    if (phase == phaseNameEntry)
        resources->saveHighscores();
}

// Drawing

namespace {

void printAt(ravek::Color const& color, float x, float y, ravek::JustificationHorizontal h,
             std::string const& text) {
    ravek::fonts::Font* font = resources->fontStandard;
    if (!font)
        return;
    color.apply();
    ravek::resetCursor();
    ravek::moveCursor(basic_Vector2D<float>(x, y));
    font->print(h, text.c_str());
}

// The value's type must be the one the format names (%d int, %u unsigned).
template <typename T>
std::string formatted(char const* format, T value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace

void Game::drawHud(basic_Vector2D<float> pos, int speedups, int laserType, int fireRate, int warps,
                   float shield) {
    assert(speedups >= 0 && speedups <= 5 && laserType >= 0 && laserType <= 4 && fireRate >= 0 &&
           fireRate <= 5 && warps >= 0 && warps <= 2);
    // Printing leaves the origin where the text ended.
    ravek::resetCursor();
    specs.hudBackground.apply();
    drawPicture(resources->hudFull, pos);
    specs.hudForeground.apply();
    ravek::gfx::Image* bar = resources->hudShield;
    if (shield > 0.0f && bar) {
        // The bar's upper part, cut at the height the energy left reaches.
        float top = pos.y + bar->hotspot.y;
        float height = std::trunc(shield * static_cast<float>(bar->height));
        bar->draw(ravek::basic_Rect<float>(pos.x - bar->hotspot.x, top - height,
                                           static_cast<float>(bar->width), height),
                  0);
    }
    if (speedups > 0)
        drawPicture(resources->hudSpeed[speedups - 1], pos);
    drawPicture(resources->hudFire[laserType][fireRate], pos);
    if (warps > 0)
        drawPicture(resources->hudTimewarp[warps - 1], pos);
}

void Game::doDraw(int layer) {
    GameState::doDraw(layer);
    if (layer != 1)
        return;
    for (SpriteEngine* engine : {&extras, &playerLasers, &foeLasers, &ships, &foes, &asteroids})
        engine->draw();
    resources->renderContextAdditive.apply();
    drawTexts();
}

void Game::drawTexts() {
    using ravek::JustificationHorizontal;
    printAt(red, 770.0f, 450.0f, JustificationHorizontal::right,
            formatted("%5u", player[0]->score));
    if (player[1])
        printAt(blue, 30.0f, 450.0f, JustificationHorizontal::left,
                formatted("%5u", player[1]->score));
    white.apply();
    for (int i = 0; i < 2; ++i) {
        Player* p = player[i];
        if (!p || !p->alive)
            continue;
        basic_Vector2D<float> pos =
            i == 1 ? basic_Vector2D<float>(60.0f, 540.0f)
                   : (p->showCurrent ? specs.hudPosition : specs.hudBlinkPosition);
        float shield = p->shownShield / specs.maxShield;
        if (p->showCurrent)
            drawHud(pos, p->speedups, p->laserType, p->fireRate, p->timeWarps, shield);
        else
            drawHud(pos, p->hudSpeedups, p->hudLaserType, p->hudFireRate, p->hudTimeWarps, shield);
    }
    if (phase >= phaseStageComplete && phase <= phaseFadeOut) {
        printAt(textColor, 400.0f, 320.0f, JustificationHorizontal::center,
                formatted("Stage %d complete.", stage));
        if (bonusShown)
            printAt(textColor, 400.0f, 280.0f, JustificationHorizontal::center,
                    formatted("Bonus: %d", bonus));
    } else if (phase == phaseGameOver) {
        printAt(ravek::Color(1.0f, 0.3f, 0.3f, 1.0f), 400.0f, 530.0f,
                JustificationHorizontal::center, "G A M E   O V E R");
        printAt(white, 400.0f, 70.0f, JustificationHorizontal::center,
                "Press fire to start a new game.");
        displayHighscores(400.0f, 300.0f, getHighscores(), ranks[0], ranks[1]);
    }
}

// Pure rules

void rankPlayers(HighscoreTable const& table, unsigned const scores[2], unsigned players,
                 int ranks[2]) {
    for (unsigned i = 0; i < 2; ++i) {
        ranks[i] = -1;
        for (int row = 0; i < players && row < HighscoreTable::size(); ++row) {
            if (table[row].score < scores[i]) {
                ranks[i] = row;
                break;
            }
        }
    }
    if (players < 2 || scores[0] == scores[1])
        return;
    // The higher score enters first and pushes the lower one down a row.
    int& lower = ranks[scores[0] < scores[1] ? 0 : 1];
    if (lower >= 0 && ++lower >= HighscoreTable::size())
        lower = -1;
}

} // namespace quellon
