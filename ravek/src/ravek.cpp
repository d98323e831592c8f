#include "ravek/src/ravek.h"

#include "ravek/src/buildinfo.h"
#include "ravek/src/debug.h"
#include "ravek/src/framework.h"
#include "ravek/src/imagefile.h"
#include "ravek/src/xml.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <png.h>

#include <cassert>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace ravek {

bool quitting = false;
bool fullscreen = false;
SDL_Surface* screen = nullptr;
std::list<BackgroundTask*> backgroundTasks;
RenderContext* currentRenderContext = nullptr;
basic_Rect<float>* currentViewport = nullptr;
basic_Rect<float> vpScreen;

char const* const XML_COLOR_CODE = "code";
char const* const XML_COLOR_RED = "red";
char const* const XML_COLOR_GREEN = "green";
char const* const XML_COLOR_BLUE = "blue";
char const* const XML_COLOR_ALPHA = "alpha";

char const* const STR_JUSTIFICATION_VERTICAL[3] = {"top", "center", "bottom"};
char const* const STR_JUSTIFICATION_HORIZONTAL[3] = {"left", "center", "right"};

std::pair<int, char const*> const defDebugGroups[] = {{dbgCore, "core"},
                                                      {dbgControls, "controls"},
                                                      {dbgGui, "gui"},
                                                      {dbgDdd, "ddd"},
                                                      {dbgMath, "math"},
                                                      {dbgSprites, "sprites"},
                                                      {dbgImages, "images"},
                                                      {dbgFonts, "fonts"},
                                                      {dbgXml, "xml"},
                                                      {dbgAudio, "audio"},
                                                      {dbgCollision, "collision"},
                                                      {dbgAnimations, "animations"},
                                                      {dbgResources, "resources"},
                                                      {0, ""}};

namespace {

volatile sig_atomic_t signalCount = 0;
volatile sig_atomic_t recordedSignal = 0;
// The crash signal whose shut-down is under way, or 0.
volatile sig_atomic_t crashSignal = 0;
volatile sig_atomic_t exiting = 0;
volatile sig_atomic_t terminationDeferred = 0;
// Set once a main loop has ended: the program shuts down in order and is left to finish.
volatile sig_atomic_t loopEnded = 0;
// Seconds a termination request waits for a main loop to take it up.
unsigned const terminationGrace = 1;

int const parachuteSignals[] = {SIGSEGV, SIGILL, SIGFPE, SIGINT, SIGTERM, SIGABRT};

// At process end the task list is emptied without deleting (quit has done that already).
struct GlobalsCleanup {
    ~GlobalsCleanup() {
        backgroundTasks.clear();
        if (currentViewport == &vpScreen)
            currentViewport = nullptr;
    }
} globalsCleanup;

void writeText(char const* text) {
    size_t length = 0;
    while (text[length])
        ++length;
    while (length > 0) {
        ssize_t written = ::write(STDERR_FILENO, text, length);
        if (written <= 0)
            return;
        text += written;
        length -= static_cast<size_t>(written);
    }
}

void writeDescription(int signal) {
    switch (signal) {
    case SIGSEGV:
        writeText("Segmentation fault.\n");
        return;
    case SIGILL:
        writeText("Illegal instruction.\n");
        return;
    case SIGFPE:
        writeText("Floating point exception.\n");
        return;
    case SIGINT:
        writeText("Interactive attention.\n");
        return;
    case SIGTERM:
        writeText("Termination request.\n");
        return;
    case SIGABRT:
        writeText("Abnormal termination (abort).\n");
        return;
    }
    char digits[16];
    int n = 0;
    unsigned value =
        signal < 0 ? 0u - static_cast<unsigned>(signal) : static_cast<unsigned>(signal);
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value && n < 15);
    char text[32] = "Signal #";
    int pos = 8;
    if (signal < 0)
        text[pos++] = '-';
    while (n > 0)
        text[pos++] = digits[--n];
    text[pos++] = '.';
    text[pos++] = '\n';
    text[pos] = '\0';
    writeText(text);
}

void install(void (*handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // Re-entry must reach the handler so that a fault during the shut-down is reported.
    action.sa_flags = handler == SIG_DFL ? 0 : SA_NODEFER;
    for (int s : parachuteSignals)
        sigaction(s, &action, nullptr);
}

// A termination request that the program acts on now.
void reportTermination(int signal) {
    signalCount = 1;
    writeText("Ravek parachute deployed: ");
    writeDescription(signal);
}

void deleteBackgroundTasks() {
    while (!backgroundTasks.empty()) {
        BackgroundTask* task = backgroundTasks.back();
        backgroundTasks.pop_back();
        delete task;
    }
}

} // namespace

void init(SubSystem flags, bool parachute) {
    currentViewport = nullptr;
    for (int i = 0; defDebugGroups[i].first != 0; ++i)
        debug::setGroupName(defDebugGroups[i].first,
                            std::string("ravek:") + defDebugGroups[i].second);
    debug::init();
    if (parachute)
        install(handleSignal);
    debug::info(dbgCore, "Ravek version %s.", getFullVersion().c_str());
    fullscreen = false;
    if (static_cast<Sint32>(flags) > 0) {
        if (SDL_Init(flags | SDL_INIT_NOPARACHUTE) != 0)
            throw std::string(SDL_GetError());
        SDL_EnableUNICODE(1);
    }
}

void cleanUp() {
    SDL_ShowCursor(1);
    deleteBackgroundTasks();
}

void quit(int status) {
    if (quitting) {
        debug::warning(dbgCore, "Quit called again.");
    } else {
        quitting = true;
        cleanUp();
    }
    SDL_Quit();
    if (exiting) {
        // Already inside exit (a static destructor called us): exit must not run twice.
        std::fflush(stdout);
        std::fflush(stderr);
        _exit(status);
    }
    exiting = 1;
    std::exit(status);
}

// A termination request that no main loop took up within its grace period: the start is held
// up somewhere (in SDL's set-up of a video mode, say) and would never end. A crash's shut-down
// that has not ended by then hangs (SDL shuts down inside the signal handler).
void endUnanswered(int) {
    if (crashSignal != 0)
        _exit(128 + crashSignal);
    // An orderly shut-down under way ends the process itself.
    if (recordedSignal == 0 || terminationDeferred || loopEnded || signalCount != 0)
        return;
    writeText("Ravek parachute deployed: ");
    writeDescription(recordedSignal);
    _exit(0);
}

void armGrace() {
    struct sigaction action = {};
    action.sa_handler = endUnanswered;
    sigemptyset(&action.sa_mask);
    sigaction(SIGALRM, &action, nullptr);
    alarm(terminationGrace);
}

void handleSignal(int signal) {
    bool terminate = signal == SIGINT || signal == SIGTERM;
    if (terminate && signalCount == 0 && recordedSignal == 0) {
        recordedSignal = signal;
        if (terminationDeferred)
            return;
        // After the main loop the program saves and frees what it holds: however long that
        // takes, cutting it short would lose the settings.
        if (loopEnded) {
            reportTermination(signal);
            return;
        }
        armGrace();
        return;
    }
    if (!terminate && signalCount == 0) {
        crashSignal = signal;
        // The shut-down below may hang (SDL_Quit waiting for the display, a write to a full
        // pipe): the crash ends within its second whatever happens.
        armGrace();
    }
    writeText("Ravek parachute deployed: ");
    if (signalCount++ == 0) {
        writeDescription(signal);
    } else {
        install(SIG_DFL);
        writeText("Recursive call.\n");
        // A request during a crash's shut-down does not turn the crash into a normal end.
        if (terminate)
            _exit(crashSignal ? 128 + crashSignal : 0);
        _exit(128 + signal);
    }
    if (terminate)
        _exit(0);
    // Only async-signal-safe work here; SDL_Quit gives the display back after a crash in full
    // screen, which is worth the risk.
    if (!quitting) {
        quitting = true;
        SDL_Quit();
    }
    _exit(128 + signal);
}

int pendingSignal() {
    return recordedSignal;
}

void deferTermination(bool on) {
    if (on) {
        terminationDeferred = 1;
        // The loop's next frame takes up a request that came during the start. A crash's
        // alarm stays: its shut-down on another thread may hang.
        alarm(0);
        if (crashSignal != 0)
            armGrace();
        return;
    }
    // Set first, so that no request between the two arms the alarm.
    loopEnded = 1;
    terminationDeferred = 0;
    // One that came in the loop's last frame: the shut-down that follows answers it.
    if (recordedSignal != 0 && signalCount == 0)
        reportTermination(recordedSignal);
}

void checkSignals() {
    int signal = recordedSignal;
    if (signal == 0)
        return;
    reportTermination(signal);
    // Deleting the application shuts the program down in order: its destructor ends the
    // process through quit, after whatever the program saves on its way out.
    if (Application* app = application)
        delete app;
    quit(0);
}

} // namespace ravek

namespace ravek {

// Colours, blend modes and justification.

Color::Color(xml::Node const* node) : red(0.0f), green(0.0f), blue(0.0f), alpha(0.0f) {
    if (std::string const* code = node->getAttribute(XML_COLOR_CODE)) {
        unsigned long value = std::strtoul(code->c_str(), nullptr, 16);
        std::uint32_t rgba = value > 0xFFFFFFFFul ? 0xFFFFFFFFu : static_cast<std::uint32_t>(value);
        red = static_cast<float>((rgba >> 24) & 0xFF) / 255.0f;
        green = static_cast<float>((rgba >> 16) & 0xFF) / 255.0f;
        blue = static_cast<float>((rgba >> 8) & 0xFF) / 255.0f;
        alpha = static_cast<float>(rgba & 0xFF) / 255.0f;
        return;
    }
    red = node->getAttributeFloat(XML_COLOR_RED, 0.0f);
    green = node->getAttributeFloat(XML_COLOR_GREEN, 0.0f);
    blue = node->getAttributeFloat(XML_COLOR_BLUE, 0.0f);
    alpha = node->getAttributeFloat(XML_COLOR_ALPHA, 1.0f);
}

void Color::apply() const {
    glColor4f(red, green, blue, alpha);
}

void setBlendMode(BlendMode mode) {
    switch (mode) {
    case 0:
    case 1:
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        return;
    case 2:
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        return;
    default:
        assert(!"invalid blend mode");
    }
}

namespace {
void setEnabled(GLenum capability, bool on) {
    if (on)
        glEnable(capability);
    else
        glDisable(capability);
}
} // namespace

SavedBlending::SavedBlending() : enabled(glIsEnabled(GL_BLEND)), source(0), destination(0) {
    glGetIntegerv(GL_BLEND_SRC, &source);
    glGetIntegerv(GL_BLEND_DST, &destination);
}

void SavedBlending::restore() const {
    glBlendFunc(static_cast<GLenum>(source), static_cast<GLenum>(destination));
    setEnabled(GL_BLEND, enabled);
}

SavedTexturing::SavedTexturing() : enabled(glIsEnabled(GL_TEXTURE_2D)), texture(0) {
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
}

void SavedTexturing::restore() const {
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture));
    setEnabled(GL_TEXTURE_2D, enabled);
}

SavedColor::SavedColor() : rgba() {
    glGetFloatv(GL_CURRENT_COLOR, rgba);
}

void SavedColor::restore() const {
    glColor4fv(rgba);
}

namespace {

template <typename E>
E justificationFromWord(char const* word, char const* const (&words)[3], char const* type) {
    for (int i = 0; i < 3; ++i)
        if (std::strcmp(word, words[i]) == 0)
            return static_cast<E>(i);
    throw std::string(word) + " is not a valid " + type + " value.";
}

} // namespace

JustificationVertical justificationVertical(char const* word) {
    return justificationFromWord<JustificationVertical>(word, STR_JUSTIFICATION_VERTICAL,
                                                        "JustificationVertical");
}

JustificationHorizontal justificationHorizontal(char const* word) {
    return justificationFromWord<JustificationHorizontal>(word, STR_JUSTIFICATION_HORIZONTAL,
                                                          "JustificationHorizontal");
}

// Screen, video modes and render contexts.

void setResolution(int width, int height, int bpp, bool fullscreen, int depthSize,
                   int stencilSize) {
    // SDL's OpenGL attributes need its video subsystem.
    if (!SDL_WasInit(SDL_INIT_VIDEO))
        throw std::string("Could not set video mode: SDL video is not initialized.");
    int channelBits = bpp / 4;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depthSize);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, stencilSize);
    Uint32 flags = SDL_OPENGL | (fullscreen ? SDL_FULLSCREEN : 0);
    SDL_Surface* surface = SDL_SetVideoMode(width, height, bpp, flags);
    if (!surface)
        throw std::string(SDL_GetError());
    screen = surface;
    char const* version = reinterpret_cast<char const*>(glGetString(GL_VERSION));
    debug::info(dbgCore, "Ravek is now using OpenGL version \"%s\" at %dx%dx%d.",
                version ? version : "", width, height, bpp);
    vpScreen = basic_Rect<float>(0.0f, 0.0f, static_cast<float>(width), static_cast<float>(height));
    currentViewport = &vpScreen;
    glViewport(0, 0, width, height);
    ravek::fullscreen = fullscreen;
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
}

void toggleFullscreen() {
    // SDL would dereference its missing video device.
    if (!screen || !SDL_WasInit(SDL_INIT_VIDEO))
        throw std::string("Could not toggle fullscreen mode: no video mode is set.");
    if (!SDL_WM_ToggleFullScreen(screen))
        throw std::string("Could not toggle fullscreen mode: ") + SDL_GetError();
    fullscreen = !fullscreen;
}

void setFullscreen(bool on) {
    if (on != fullscreen)
        toggleFullscreen();
}

std::list<std::pair<int, int>> getVideoModes() {
    std::list<std::pair<int, int>> modes;
    SDL_Rect** list = SDL_ListModes(nullptr, SDL_FULLSCREEN);
    if (!list)
        return modes;
    if (list == reinterpret_cast<SDL_Rect**>(-1)) {
        debug::warning(dbgCore, "Unrestricted modes not yet handled correctly!");
        return modes;
    }
    for (int i = 0; list[i]; ++i)
        modes.push_front(
            std::make_pair(static_cast<int>(list[i]->w), static_cast<int>(list[i]->h)));
    return modes;
}

void setWindowCaption(char const* title) {
    SDL_WM_SetCaption(title, title);
}

void setWindowIcon(char const* file) {
    SDL_Surface* icon = loadImageFile(file ? file : "");
    if (!icon)
        debug::warning(dbgCore, "Could not load window icon \"%s\": %s.", file ? file : "",
                       SDL_GetError());
    SDL_WM_SetIcon(icon, nullptr);
    // SDL keeps its own copy of the icon.
    if (icon)
        SDL_FreeSurface(icon);
}

void showCursor(bool show) {
    SDL_ShowCursor(show ? 1 : 0);
}

void enableDoubleBuffer(bool on) {
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, on ? 1 : 0);
}

void setClearColor(Color const& color) {
    glClearColor(color.red, color.green, color.blue, color.alpha);
}

void clearScreen() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void flipScreen() {
    SDL_GL_SwapBuffers();
}

SDL_Joystick* initJoystick(int index) {
    return SDL_JoystickOpen(index);
}

void cleanUpJoystick(SDL_Joystick* joystick) {
    SDL_JoystickClose(joystick);
}

void resetCursor() {
    glLoadIdentity();
}

void moveCursor(basic_Vector2D<float> const& offset) {
    glTranslatef(offset.x, offset.y, 0.0f);
}

void moveCursor(basic_Vector3D<float> const& offset) {
    glTranslatef(offset.x, offset.y, offset.z);
}

void rotateCursor(float angle, basic_Vector3D<float> const& axis) {
    glRotatef(angle, axis.x, axis.y, axis.z);
}

std::uint32_t getPixel(SDL_Surface* surface, int x, int y) {
    int bytes = surface->format->BytesPerPixel;
    Uint8 const* p = static_cast<Uint8 const*>(surface->pixels) +
                     static_cast<std::ptrdiff_t>(y) * surface->pitch +
                     static_cast<std::ptrdiff_t>(x) * bytes;
    switch (bytes) {
    case 1:
        return *p;
    case 2: {
        Uint16 value;
        std::memcpy(&value, p, sizeof value);
        return value;
    }
    case 3:
        return p[0] | static_cast<std::uint32_t>(p[1]) << 8 |
               static_cast<std::uint32_t>(p[2]) << 16;
    case 4:
        return p[0] | static_cast<std::uint32_t>(p[1]) << 8 |
               static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
    default:
        debug::critical(dbgCore, "Unknown surface format (bpp=%d).", bytes);
        return 0;
    }
}

unsigned hintMode(std::int16_t value) {
    if (value > 0)
        return GL_NICEST;
    if (value < 0)
        return GL_FASTEST;
    return GL_DONT_CARE;
}

RenderContext::RenderContext()
    : wireframe(false), smoothShading(0), fogHint(0), perspectiveHint(0), pointSmoothHint(0),
      polygonSmoothHint(0), separateSpecular(0), lighting(false), ambient{0.2f, 0.2f, 0.2f, 0.1f} {}

void RenderContext::apply() {
    currentRenderContext = this;
    glPolygonMode(GL_FRONT_AND_BACK, wireframe ? GL_LINE : GL_FILL);
    glShadeModel(smoothShading ? GL_SMOOTH : GL_FLAT);
    glHint(GL_FOG_HINT, hintMode(fogHint));
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, hintMode(perspectiveHint));
    glHint(GL_POINT_SMOOTH_HINT, hintMode(pointSmoothHint));
    glHint(GL_POLYGON_SMOOTH_HINT, hintMode(polygonSmoothHint));
    if (!lighting) {
        glDisable(GL_LIGHTING);
        return;
    }
    glEnable(GL_LIGHTING);
    glLightModelf(GL_LIGHT_MODEL_LOCAL_VIEWER, 1.0f);
    glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL,
                  separateSpecular > 0 ? GL_SEPARATE_SPECULAR_COLOR : GL_SINGLE_COLOR);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
}

RenderContext2D::RenderContext2D() : blending(false), blendMode(0) {
    if (currentViewport)
        size = basic_Vector2D<float>(currentViewport->width, currentViewport->height);
}

RenderContext2D::RenderContext2D(basic_Vector2D<float> const& size)
    : size(size), blending(false), blendMode(0) {}

void RenderContext2D::apply() {
    RenderContext::apply();
    basic_Vector2D<float> projected = size;
    if ((projected.x == 0.0f || projected.y == 0.0f) && currentViewport)
        projected = basic_Vector2D<float>(currentViewport->width, currentViewport->height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0.0, projected.x, 0.0, projected.y);
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_DEPTH_TEST);
    if (blending) {
        glEnable(GL_BLEND);
        setBlendMode(blendMode);
    } else {
        glDisable(GL_BLEND);
    }
    glDisable(GL_NORMALIZE);
    glDisable(GL_CULL_FACE);
    glDisable(GL_FOG);
}

RenderContext3D::RenderContext3D()
    : depthTest(true), clearDepth(10000.0f), fogMode(0), fogStart(0.0f), fogEnd(0.0f),
      fogDensity(0.0f), fogQualityHint(0), fogColor{0.0f, 0.0f, 0.0f, 0.0f} {}

void RenderContext3D::apply() {
    RenderContext::apply();
    glClearDepth(clearDepth);
    if (depthTest)
        glEnable(GL_DEPTH_TEST);
    else
        glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glEnable(GL_NORMALIZE);
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
    if (fogMode == 0) {
        glDisable(GL_FOG);
        return;
    }
    glFogi(GL_FOG_MODE, fogMode == 1 ? GL_LINEAR : fogMode == 2 ? GL_EXP : GL_EXP2);
    glFogf(GL_FOG_START, fogStart);
    glFogf(GL_FOG_END, fogEnd);
    glFogf(GL_FOG_DENSITY, fogDensity);
    glFogfv(GL_FOG_COLOR, fogColor);
    glHint(GL_FOG_HINT, hintMode(fogQualityHint));
    glEnable(GL_FOG);
}

// Screenshots.

namespace {

struct SurfaceDeleter {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};

// A file being written that is removed unless it was finished.
struct PendingFile {
    std::string path;
    ~PendingFile() {
        if (!path.empty())
            std::remove(path.c_str());
    }
};

// Every libpng call that can raise an error, in a frame that holds nothing to destroy, so that
// the long jump skips no destructor. False when libpng raised an error.
bool writePng(png_structp png, png_infop info, FILE* file, png_uint_32 width, png_uint_32 height,
              png_bytepp rows) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_ADAM7,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

} // namespace

void savePng(SDL_Surface* surface, char const* file) {
    // A regular file is written beside the target and takes its place only when complete, so
    // that a failed write (a full disk) leaves no half-written file and keeps the old one; a
    // device such as /dev/full is written as it is.
    struct stat target;
    bool inPlace = stat(file, &target) == 0 && !S_ISREG(target.st_mode);
    PendingFile pending;
    FILE* out = nullptr;
    if (inPlace) {
        out = std::fopen(file, "wb");
    } else {
        std::string name = std::string(file) + ".XXXXXX";
        std::vector<char> pattern(name.begin(), name.end());
        pattern.push_back('\0');
        int fd = mkstemp(pattern.data());
        if (fd >= 0) {
            pending.path = pattern.data();
            mode_t mask = umask(0);
            umask(mask);
            fchmod(fd, 0666 & ~mask);
            out = fdopen(fd, "wb");
            if (!out)
                close(fd);
        }
    }
    if (!out)
        throw std::string("Could not open file \"") + file + "\" for writing.";
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        std::fclose(out);
        throw std::string("Could not create libpng data structures.");
    }
    int width = surface->w;
    int height = surface->h;
    std::vector<std::vector<png_byte>> rows;
    std::vector<png_bytep> rowPointers;
    bool mustLock = SDL_MUSTLOCK(surface);
    if (mustLock && SDL_LockSurface(surface) != 0) {
        png_destroy_write_struct(&png, &info);
        std::fclose(out);
        throw std::string(SDL_GetError());
    }
    try {
        rows.resize(static_cast<size_t>(height));
        rowPointers.resize(static_cast<size_t>(height));
        for (int y = 0; y < height; ++y) {
            std::vector<png_byte>& row = rows[static_cast<size_t>(y)];
            row.resize(static_cast<size_t>(width) * 4);
            for (int x = 0; x < width; ++x) {
                Uint8* rgba = &row[static_cast<size_t>(x) * 4];
                SDL_GetRGBA(getPixel(surface, x, y), surface->format, &rgba[0], &rgba[1], &rgba[2],
                            &rgba[3]);
            }
            rowPointers[static_cast<size_t>(y)] = row.data();
        }
    } catch (std::bad_alloc const&) {
        if (mustLock)
            SDL_UnlockSurface(surface);
        png_destroy_write_struct(&png, &info);
        std::fclose(out);
        throw std::string("Out of memory");
    }
    if (mustLock)
        SDL_UnlockSurface(surface);
    bool written = writePng(png, info, out, static_cast<png_uint_32>(width),
                            static_cast<png_uint_32>(height), rowPointers.data());
    png_destroy_write_struct(&png, &info);
    // A full disk shows only when the buffered rest is flushed.
    bool closed = std::fclose(out) == 0;
    if (!written)
        throw std::string("Could not set libpng error callback.");
    if (!closed || (!inPlace && std::rename(pending.path.c_str(), file) != 0))
        throw std::string("Could not write file \"") + file + "\".";
    pending.path.clear();
}

void saveScreenshot(char const* file) {
    if (!screen)
        throw std::string("Could not save screenshot: no video mode is set.");
    int width = screen->w;
    int height = screen->h;
    std::unique_ptr<SDL_Surface, SurfaceDeleter> surface(
        SDL_CreateRGBSurface(0, width, height, 24, 0x000000FF, 0x0000FF00, 0x00FF0000, 0));
    if (!surface)
        throw std::string(SDL_GetError());
    size_t rowBytes = static_cast<size_t>(width) * 3;
    std::vector<Uint8> buffer;
    try {
        buffer.resize(rowBytes * static_cast<size_t>(height));
    } catch (std::bad_alloc const&) {
        throw std::string("Out of memory");
    }
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, buffer.data());
    glPopClientAttrib();
    Uint8* pixels = static_cast<Uint8*>(surface->pixels);
    for (int y = 0; y < height; ++y)
        std::memcpy(pixels + static_cast<size_t>(y) * surface->pitch,
                    buffer.data() + static_cast<size_t>(height - 1 - y) * rowBytes, rowBytes);
    buffer = std::vector<Uint8>();
    savePng(surface.get(), file);
}

} // namespace ravek
