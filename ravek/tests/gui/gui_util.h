#ifndef RAVEK_TESTS_GUI_GUI_UTIL_H
#define RAVEK_TESTS_GUI_GUI_UTIL_H

// Helpers of the GUI tests: hand-built SDL events, a recording callback, draining a control
// queue, and GUI descriptions loaded from text through a resource manager.
#include "ravek/src/controls.h"
#include "ravek/src/gui/core.h"
#include "ravek/src/resources.h"
#include "ravek/tests/gl_util.h"
#include "ravek/tests/sdl_events.h"
#include "ravek/tests/test_util.h"

#include <SDL/SDL.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace guitest {

using testutil::joyAxis;
using testutil::joyButton;
using testutil::keyDown;
using testutil::keyEvent;
using testutil::keyUp;
using testutil::mouseButton;
using testutil::mouseMotion;

class Callback : public ravek::gui::GUICallback {
public:
    int moves = 0;
    int confirms = 0;
    void onMove() override { ++moves; }
    void onConfirm() override { ++confirms; }
};

// Every queued trigger, oldest first; the queue is left empty.
inline std::vector<ravek::Trigger*> drain(ravek::ControlQueue& queue) {
    std::vector<ravek::Trigger*> out;
    ravek::Trigger* trigger = nullptr;
    for (queue >> trigger; trigger; queue >> trigger)
        out.push_back(trigger);
    return out;
}

// The screen the mouse is converted with; restored afterwards.
class Screen {
public:
    Screen(float width, float height) : saved(ravek::vpScreen) {
        ravek::vpScreen = ravek::basic_Rect<float>(0.0f, 0.0f, width, height);
    }
    ~Screen() { ravek::vpScreen = saved; }

private:
    ravek::basic_Rect<float> saved;
};

// An input evaluator "ev" with the triggers the tests name ("ev.a", "ev.b", ...).
inline std::string evaluatorDescription() {
    return "<inputEvaluator name=\"ev\">"
           "<trigger code=\"1\" name=\"a\" description=\"A\"/>"
           "<trigger code=\"2\" name=\"b\" description=\"B\"/>"
           "<trigger code=\"3\" name=\"c\" description=\"C\"/>"
           "<trigger code=\"4\" name=\"d\" description=\"D\"/>"
           "<trigger code=\"5\" name=\"e\" description=\"E\"/>"
           "<trigger code=\"6\" name=\"f\" description=\"F\"/>"
           "</inputEvaluator>";
}

// A resource description read from text into a manager; deletes its banks, GUIs first (their
// cursor sprites look at their images when they go).
class Loaded {
public:
    testutil::TempDir dir;
    ravek::ResourceManager manager;

    // `prepare` writes the files the description names into `dir` first.
    explicit Loaded(std::string const& body,
                    std::function<void(testutil::TempDir const&)> const& prepare = nullptr) {
        if (prepare)
            prepare(dir);
        std::string file =
            dir.write("resources.xml", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
                                       "<resources>" +
                                           body + "</resources>\n");
        manager.load(file, dir.path + "/");
    }
    ~Loaded() {
        for (auto& bank : manager.banks)
            if (dynamic_cast<ravek::gui::GUI*>(bank.second)) {
                delete bank.second;
                bank.second = nullptr;
            }
        for (auto& bank : manager.banks)
            delete bank.second;
    }

    ravek::gui::GUI* gui(std::string const& name = "gui") {
        return dynamic_cast<ravek::gui::GUI*>(manager.banks[name]);
    }
    ravek::Trigger* trigger(std::string const& name, std::string const& bank = "ev") {
        auto* evaluator = dynamic_cast<ravek::InputEvaluator*>(manager.banks[bank]);
        if (!evaluator)
            return nullptr;
        auto it = evaluator->resources.find(name);
        return it == evaluator->resources.end() ? nullptr : it->second;
    }
};

// A manager holding the evaluator "ev" of evaluatorDescription(), for GUIs built by hand.
class Triggers {
public:
    ravek::ResourceManager manager;
    ravek::InputEvaluator* evaluator;

    Triggers() : evaluator(new ravek::InputEvaluator) {
        manager.banks["ev"] = evaluator;
        evaluator->manager = &manager;
        const char* names[] = {"a", "b", "c", "d", "e", "f"};
        for (int i = 0; i < 6; ++i)
            new ravek::Trigger(evaluator, i + 1, names[i], names[i], ravek::KS_DOWN);
    }
    ~Triggers() { delete evaluator; }
    ravek::Trigger* operator[](std::string const& name) { return evaluator->resources[name]; }
};

// A PNG of w x h pixels whose colour (0xRRGGBBAA) at (x, y), y down, comes from `color`.
template <typename F>
std::string writePicture(testutil::TempDir const& dir, std::string const& name, int w, int h,
                         F color) {
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint32_t c = color(x, y);
            pixels.push_back(static_cast<std::uint8_t>(c >> 24));
            pixels.push_back(static_cast<std::uint8_t>(c >> 16));
            pixels.push_back(static_cast<std::uint8_t>(c >> 8));
            pixels.push_back(static_cast<std::uint8_t>(c));
        }
    std::string file = dir.file(name);
    EXPECT_TRUE(testutil::writePng(file, w, h, 4, pixels));
    return file;
}

inline std::string writeSolid(testutil::TempDir const& dir, std::string const& name, int w, int h,
                              std::uint32_t color) {
    return writePicture(dir, name, w, h, [color](int, int) { return color; });
}

// The font "Test" of size 8 in dir/<name>/: solid white glyphs 4 wide and 8 high for "A", "_",
// "-", ".", the digits and the Latin-1 e diaeresis (235), no spacing, so a text of n characters
// covers 4n x 8 pixels.
inline std::string writeTestFont(testutil::TempDir const& dir, std::string const& name = "font") {
    mkdir(dir.file(name).c_str(), 0700);
    std::string chars = "A_-.0123456789\xeb";
    std::string line = "<line index=\"1\">";
    for (char c : chars)
        line += "<char char=\"" + std::string(1, c) + "\"/>";
    line += "</line>";
    dir.write(name + "/bitmapfont.xml",
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
              "<bitmapfont name=\"Test\" size=\"8\" height=\"8\" spacing=\"0\" width=\"4\">"
              "<image file=\"glyphs.png\">" +
                  line + "</image></bitmapfont>\n");
    writeSolid(dir, name + "/glyphs.png", static_cast<int>(chars.size()) * 4, 8, 0xFFFFFFFFu);
    return dir.file(name) + "/";
}

} // namespace guitest

#endif
