#ifndef QUELLON_MENU_H
#define QUELLON_MENU_H

#include "quellon/src/gamestate.h"

namespace ravek {
namespace sprites {
class SpriteEngine;
}
namespace gui {
class Component;
}
} // namespace ravek

namespace quellon {

// The title screen: the main menu with its settings, credits and quit panels, games started
// from it, and, while nobody touches it, an attract cycle of the high-score pages and a legend
// of the game's objects. One lives for the whole run (quellon::menu); it owns the legend's
// sprites.
class Menu : public GameState {
public:
    // 0 menu, 1 single-player high scores, 2 multiplayer high scores, 3 legend.
    int page;
    // Ms left before the next page.
    int idleCountdown;
    ravek::sprites::SpriteEngine* legend;
    // The main-menu button to focus when the menu shows.
    ravek::gui::Component* returnFocus;

    Menu();
    ~Menu() override;

    void activate() override;
    void deactivate() override;
    void handleEvent(ravek::Trigger const* trigger) override;
    void doPerform(int layer, unsigned int ms) override;
    void doDraw(int layer) override;
    void startMusic() override;
    void closeWindowSoundSettings(bool confirm) override;
    void closeWindowControls(bool confirm) override;

    // Builds the legend's sprites once the game's images are in.
    void initSpritesHelp();

private:
    void showPanel(ravek::gui::Component* hide, ravek::gui::Component* show,
                   ravek::gui::Component* focus);
    void setPage(int newPage);
    void drawLegend();
    // The back trigger (confirm closes windows with confirmation).
    void back(bool confirm);
};

extern Menu* menu;

} // namespace quellon

#endif
