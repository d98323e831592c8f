#ifndef QUELLON_GAMESTATE_H
#define QUELLON_GAMESTATE_H

#include "quellon/src/highscores.h"

#include "ravek/src/framework.h"
#include "ravek/src/gui/core.h"

#include <list>
#include <string>

namespace ravek {
class InputEvaluator;
class Trigger;
namespace sprites {
class Sprite;
}
} // namespace ravek

namespace quellon {

// Sprites whose deletion waits for the end of the frame (QuellonSprite::deleteMe queues each
// at most once); layer 2 of every state's perform deletes them.
extern std::list<ravek::sprites::Sprite*> deleteQueue;

// Deletes every queued sprite once, in queue order, and empties the queue.
void deleteQueuedSprites();

// The base of the title menu and the game. Layers 0 and 2 of perform and draw are the same
// for both: frame rate, sound pool, control queue, GUI, deferred deletions and starfield; the
// starfield below and the GUI above the state's own drawing, the background tasks and the
// buffer flip. Layer 1 is the derived state's. It also runs the windows both states share
// (controls with key capture, sound settings), full screen and screenshots: a screenshot or a
// video mode that fails is logged and the game goes on.
class GameState : public ravek::ApplicationState {
public:
    int fps;
    // The starfield stands still.
    bool paused;
    // The evaluator the controls window edits, and the copy being edited (owned while the
    // window is open).
    ravek::InputEvaluator* editedEvaluator;
    ravek::InputEvaluator* workingEvaluator;
    // The trigger of the copy that the capture window binds.
    ravek::Trigger* capturedTrigger;
    // The settings need saving (the menu saves them).
    bool settingsChanged;
    // The copy received a new binding since the window opened.
    bool controlsChanged;
    ravek::gui::Component* focusBeforeCapture;
    // The value of the binding being captured: -1, +1 or 0.
    float captureValue;
    // Seconds in 0..pi: drives the pulsing colours of displayHighscores.
    float highlightPhase;

    GameState();
    ~GameState() override;

    void handleEvent(ravek::Trigger const* trigger) override;
    void doPerform(int layer, unsigned int ms) override;
    void doDraw(int layer) override;

    virtual void startMusic() = 0;
    // Closes the sound or the controls window when one is open; false when none was.
    virtual bool closeWindows(bool confirm);
    virtual void showWindowSoundSettings();
    virtual void closeWindowSoundSettings(bool confirm);
    virtual void showWindowControls(std::string const& header, ravek::InputEvaluator* evaluator);
    virtual void closeWindowControls(bool confirm);
    virtual void updateKeyLabels();
    // Ten rows of the table around (x, y); rows mark1 and mark2 pulse (red, blue), -1 for none.
    virtual void displayHighscores(float x, float y, HighscoreTable* table, int mark1, int mark2);

private:
    // Whether the panel the sound and controls windows open from is still shown.
    bool windowRequestAllowed() const;
    void toggleFullscreen();
    void takeScreenshot();
    void startCapture(ravek::Trigger const* request);
    void capturedKey();
    void capturedJoyButton();
    void capturedJoyAxis();
    void closeCapture();
    void volumeSoundsChanged();
    void volumeMusicChanged();
};

// Plays the menu sounds on focus moves and confirmations, and keeps the title menu's attract
// cycle from starting while the player works the menus, by keys or the mouse.
class GUICallback : public ravek::gui::GUICallback {
public:
    void onMove() override;
    void onConfirm() override;
    void onInput() override;
};

extern GUICallback callback;

} // namespace quellon

#endif
