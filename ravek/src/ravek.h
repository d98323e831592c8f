#ifndef RAVEK_RAVEK_H
#define RAVEK_RAVEK_H

#include "ravek/src/math.h"

#include <SDL/SDL.h>

#include <cstdint>
#include <list>
#include <utility>

namespace ravek {

namespace xml {
class Node;
}

class BackgroundTask;
class RenderContext;

// Set of SDL subsystem bits (SDL_INIT_VIDEO | SDL_INIT_JOYSTICK ...).
typedef Uint32 SubSystem;

extern bool quitting;
extern bool fullscreen;
extern SDL_Surface* screen;
extern std::list<BackgroundTask*> backgroundTasks;
extern RenderContext* currentRenderContext;
extern basic_Rect<float>* currentViewport;
extern basic_Rect<float> vpScreen;
extern std::pair<int, char const*> const defDebugGroups[];

// Colours, blend modes and justification.

extern char const* const XML_COLOR_CODE;
extern char const* const XML_COLOR_RED;
extern char const* const XML_COLOR_GREEN;
extern char const* const XML_COLOR_BLUE;
extern char const* const XML_COLOR_ALPHA;

// Four components in 0..1. Read from an element either as "code" (hexadecimal RRGGBBAA, which
// wins when present) or as "red", "green", "blue" (default 0) and "alpha" (default 1). A code
// that is not hexadecimal reads as 0; one beyond 32 bits saturates to opaque white.
class Color {
public:
    float red, green, blue, alpha;

    Color() : red(0.0f), green(0.0f), blue(0.0f), alpha(0.0f) {}
    Color(float red, float green, float blue, float alpha)
        : red(red), green(green), blue(blue), alpha(alpha) {}
    explicit Color(xml::Node const* node);

    // Makes the colour the current OpenGL colour.
    void apply() const;
};

// 0 and 1: alpha blending; 2: additive. Given by code only; any other value is an assertion.
typedef int BlendMode;

// Sets the blend function of the mode; does not enable blending.
void setBlendMode(BlendMode mode);

// Pieces of OpenGL state read when constructed and put back by restore(). Draws save what they
// change this way instead of pushing attribute groups, whose push and pop cost Mesa's software
// renderer more than drawing a sprite. Need a current OpenGL context.

// Blending switched on or off, and the blend function.
class SavedBlending {
public:
    SavedBlending();
    void restore() const;

private:
    bool enabled;
    int source, destination;
};

// 2D texturing switched on or off, and the 2D texture bound.
class SavedTexturing {
public:
    SavedTexturing();
    void restore() const;

private:
    bool enabled;
    int texture;
};

// The current colour.
class SavedColor {
public:
    SavedColor();
    void restore() const;

private:
    float rgba[4];
};

enum class JustificationVertical { top = 0, center = 1, bottom = 2 };
enum class JustificationHorizontal { left = 0, center = 1, right = 2 };

// The words of the values, indexed by value.
extern char const* const STR_JUSTIFICATION_VERTICAL[3];
extern char const* const STR_JUSTIFICATION_HORIZONTAL[3];

// The value of a word (case matters); any other word throws it followed by
// " is not a valid JustificationVertical value." (or ...Horizontal...).
JustificationVertical justificationVertical(char const* word);
JustificationHorizontal justificationHorizontal(char const* word);

// Screen, video modes and render contexts. Main thread only: the OpenGL context belongs to it.

// Opens the OpenGL window in the mode asked for (bpp / 4 bits per colour channel, double
// buffered) and makes the whole window the current viewport. Throws SDL's error text when the
// mode is refused, and a text of its own when SDL's video subsystem is not running; the globals
// then keep their old values. Textures and display lists do not survive a change of mode: their
// owners upload them again.
void setResolution(int width, int height, int bpp, bool fullscreen, int depthSize, int stencilSize);
// Throws "Could not toggle fullscreen mode: " followed by SDL's text when SDL refuses, or by
// "no video mode is set." without a window; the flag then stays.
void toggleFullscreen();
void setFullscreen(bool on);
// The full-screen modes, smallest first; empty (with a warning) when any size is possible.
std::list<std::pair<int, int>> getVideoModes();

void setWindowCaption(char const* title);
// A file that does not load leaves the window without an icon.
void setWindowIcon(char const* file);
void showCursor(bool show);
// Takes effect at the next setResolution.
void enableDoubleBuffer(bool on);
void setClearColor(Color const& color);
void clearScreen();
void flipScreen();
// Null when there is no such joystick; close it with cleanUpJoystick.
SDL_Joystick* initJoystick(int index);
void cleanUpJoystick(SDL_Joystick* joystick);

// The "cursor" is the OpenGL drawing origin (the model-view matrix).
void resetCursor();
void moveCursor(basic_Vector2D<float> const& offset);
void moveCursor(basic_Vector3D<float> const& offset);
void rotateCursor(float angle, basic_Vector3D<float> const& axis);

// The raw pixel value at (x, y), 3- and 4-byte pixels read little-endian. An unsupported pixel
// size logs a critical message and gives 0. The caller locks the surface when it must be locked.
std::uint32_t getPixel(SDL_Surface* surface, int x, int y);

// OpenGL state applied in one call before a group of drawing; the last one applied is
// currentRenderContext. Owned by whoever creates it.
class RenderContext {
public:
    bool wireframe;
    int smoothShading;
    // 0: don't care, above 0: nicest, below 0: fastest.
    std::int16_t fogHint;
    std::int16_t perspectiveHint;
    std::int16_t pointSmoothHint;
    std::int16_t polygonSmoothHint;
    std::int16_t separateSpecular;
    bool lighting;
    float ambient[4];

    RenderContext();
    virtual ~RenderContext() {}
    virtual void apply();
};

// Orthographic projection with the origin at the bottom left and y up, `size` units across. A
// context without a size (one built before the first video mode) projects onto the current
// viewport's size, so it follows the screen instead of collapsing to nothing.
class RenderContext2D : public RenderContext {
public:
    basic_Vector2D<float> size;
    bool blending;
    BlendMode blendMode;

    // Takes the current viewport's size when there is one.
    RenderContext2D();
    explicit RenderContext2D(basic_Vector2D<float> const& size);
    void apply() override;
};

// Depth test, fog and back-face culling; the projection is the caller's business.
class RenderContext3D : public RenderContext {
public:
    bool depthTest;
    float clearDepth;
    // 0 off, 1 linear, 2 exponential, any other value squared exponential.
    int fogMode;
    float fogStart;
    float fogEnd;
    float fogDensity;
    std::int16_t fogQualityHint;
    float fogColor[4];

    RenderContext3D();
    void apply() override;
};

// The OpenGL hint mode of a hint value: 0 don't care, above 0 nicest, below 0 fastest.
unsigned hintMode(std::int16_t value);

// Screenshots.

// Saves the frame drawn last (the back buffer, which keeps it after a swap) as an 8-bit RGBA
// PNG with alpha 255, top row first. Throws a std::string when no video mode is set or the file
// cannot be written; nothing is leaked then.
void saveScreenshot(char const* file);
// Writes any surface as an 8-bit RGBA interlaced PNG (alpha 255 for a format without alpha).
// Throws "Could not open file ..." when the file cannot be created and
// "Could not set libpng error callback." for every libpng error; a partly written file may
// remain.
void savePng(SDL_Surface* surface, char const* file);

// Engine start: names the engine's log groups, arms the parachute when asked, logs the version
// and starts the SDL subsystems in `flags` (none when flags is 0). Throws SDL's error text.
void init(SubSystem flags, bool parachute);

// The one way the engine ends the process: gives the cursor back, deletes the background tasks
// (last first), shuts SDL down and exits with `status` (0 for a normal end, 1 for a failed
// start). Never returns.
[[noreturn]] void quit(int status = 0);

// The tidy-up part of quit without ending anything.
void cleanUp();

// The parachute. Crash signals write "Ravek parachute deployed: " and the signal's description
// to standard error, attempt the shut-down and end with status 128 + signal. SIGINT and SIGTERM
// are only recorded; the main loop ends the program at its next frame (see checkSignals). One
// that comes during the start, before any main loop ran, waits a second for one to start
// (SIGALRM), then writes the message and ends the process with status 0, so a start held up for
// good still ends. One that comes after a main loop ended writes the message and lets the
// program's shut-down run to its end. A second SIGINT or SIGTERM, or one while a crash shuts
// down, ends the process at once: with status 0, or with the crash's; a crash whose shut-down
// hangs ends with its status a second later (SIGALRM). Async-signal-safe.
void handleSignal(int signal);

// Set by the main loop while it runs: SIGINT and SIGTERM wait for its next frame. Switched off
// as the loop ends, it leaves the shut-down that follows to finish, and a request that came in
// the last frame gets its message.
void deferTermination(bool on);

// Called by the main loop at the start of each frame: after a recorded SIGINT or SIGTERM it
// writes the parachute's message and deletes the application, whose destructor quits (status
// 0 unless the program says otherwise); without an application it quits with status 0.
// Returns only when no signal is pending.
void checkSignals();

// The signal recorded by the parachute and not yet acted upon, or 0.
int pendingSignal();

} // namespace ravek

#endif
