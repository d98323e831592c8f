// Renders the game's data set through the engine into PNG pages, to judge its look: every
// animation's frames, the HUD images and the GUI panels, drawn at 800 x 600.
//   contact_sheet <data dir> <output dir>
#include "ravek/src/gfx/animations.h"
#include "ravek/src/gfx/fonts.h"
#include "ravek/src/gfx/images.h"
#include "ravek/src/gui/core.h"
#include "ravek/src/ravek.h"
#include "ravek/src/resources.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace ravek;

namespace {

int const WIDTH = 800;
int const HEIGHT = 600;

class DataSet : public ResourceManager {
public:
    template <typename T>
    T* bank(std::string const& name) {
        auto it = banks.find(name);
        return it == banks.end() ? nullptr : dynamic_cast<T*>(it->second);
    }
};

// A page of labelled cells, filled left to right and top to bottom; saved when full.
class Pages {
public:
    Pages(std::string prefix, fonts::Font* font) : prefix(prefix), font(font) { begin(); }
    ~Pages() { flush(); }

    // Places a cell of the given size; returns its top left corner (y up).
    basic_Vector2D<float> cell(float width, float height, std::string const& label) {
        float labelHeight = font ? static_cast<float>(font->getHeight()) : 0.0f;
        float labelWidth = font ? static_cast<float>(font->getWidth(label.c_str())) : 0.0f;
        float cellWidth = std::max(width, labelWidth);
        if (x + cellWidth > WIDTH - 10) {
            x = 10;
            y -= rowHeight + 10;
            rowHeight = 0;
        }
        if (y - height - labelHeight < 0) {
            flush();
            begin();
        }
        basic_Vector2D<float> corner(x, y);
        if (font && !label.empty()) {
            glColor4f(0.8f, 0.9f, 1.0f, 1.0f);
            // Printing leaves the origin moved by the text's advance.
            glPushMatrix();
            font->print(basic_Rect<float>(x, y - height - labelHeight, width, labelHeight),
                        JustificationHorizontal::left, JustificationVertical::bottom,
                        label.c_str());
            glPopMatrix();
        }
        rowHeight = std::max(rowHeight, height + labelHeight);
        x += cellWidth + 10;
        used = true;
        return corner;
    }

    void flush() {
        if (!used)
            return;
        std::string file = prefix + "_" + std::to_string(++page) + ".png";
        saveScreenshot(file.c_str());
        std::printf("%s\n", file.c_str());
        used = false;
    }

private:
    void begin() {
        glClearColor(0.12f, 0.12f, 0.16f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        x = 10;
        y = HEIGHT - 10;
        rowHeight = 0;
    }

    std::string prefix;
    fonts::Font* font;
    float x = 10, y = HEIGHT - 10, rowHeight = 0;
    int page = 0;
    bool used = false;
};

void drawImage(gfx::Image const* image, basic_Vector2D<float> corner) {
    glColor4f(1, 1, 1, 1);
    // draw puts the picture's bottom left at (x - hotX, y + hotY); the cell's corner is its top
    // left.
    image->draw(basic_Vector2D<float>(corner.x + image->hotspot.x,
                                      corner.y - image->height - image->hotspot.y),
                0);
}

// Each panel as the game places it at 800 x 600: the menu panels centred in the band below
// the logo, the others on the whole screen.
void drawPanels(gui::GUI* root, gfx::ImageBank* images, std::string const& out) {
    gfx::ImageResource* logo = nullptr;
    if (images && images->resources.count("logo"))
        logo = images->resources["logo"];
    float logoY = logo ? HEIGHT - static_cast<float>(logo->height) - 10 : HEIGHT;
    struct Panel {
        char const* name;
        bool inBand;
        char const* under; // drawn beneath it, as the game shows them together
    };
    Panel const panels[] = {{"pMainMenu", true, nullptr},    {"pSettings", true, nullptr},
                            {"pCredits", true, nullptr},     {"pSoundSettings", true, nullptr},
                            {"pQuit", true, nullptr},        {"pControls", false, nullptr},
                            {"pGetKey", false, "pControls"}, {"pEnterName", false, nullptr},
                            {"pInGame", false, nullptr}};
    for (Panel const& panel : panels)
        if (gui::Component* c = (*root)[panel.name])
            c->setVisible(false);
    RenderContext2D context(basic_Vector2D<float>(WIDTH, HEIGHT));
    context.blending = true;
    root->setVisible(true); // the description keeps it hidden until the game shows it
    for (Panel const& panel : panels) {
        gui::Component* c = (*root)[panel.name];
        if (!c) {
            std::fprintf(stderr, "no panel %s\n", panel.name);
            continue;
        }
        gui::Component* under = panel.under ? (*root)[panel.under] : nullptr;
        if (under) {
            under->center(basic_Vector2D<float>(WIDTH, HEIGHT));
            under->setVisible(true);
        }
        c->center(basic_Vector2D<float>(WIDTH, panel.inBand ? logoY : HEIGHT));
        c->setVisible(true);
        context.apply();
        glClearColor(0.02f, 0.02f, 0.05f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        if (logo && panel.inBand) {
            glColor4f(1, 1, 1, 1);
            drawImage(logo, basic_Vector2D<float>((WIDTH - logo->width) * 0.5f, HEIGHT - 10.0f));
        }
        root->draw();
        std::string file = out + "gui_" + panel.name + ".png";
        saveScreenshot(file.c_str());
        std::printf("%s\n", file.c_str());
        c->setVisible(false);
        if (under)
            under->setVisible(false);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: contact_sheet <data dir> <output dir>\n");
        return 2;
    }
    std::string data = argv[1];
    std::string out = std::string(argv[2]) + "/";
    try {
        init(SDL_INIT_VIDEO, false);
        setResolution(WIDTH, HEIGHT, 32, false, 0, 0);
        RenderContext2D context(basic_Vector2D<float>(WIDTH, HEIGHT));
        context.blending = true;
        context.apply();

        DataSet set;
        set.load(data + "/resources.xml", "");
        for (char const* name : {"imagesGame", "imagesHud", "imagesGui"})
            if (auto* bank = set.bank<gfx::ImageBank>(name))
                bank->refresh(nullptr);
        auto* fontBank = set.bank<fonts::FontBank>("fonts");
        fonts::Font* font = nullptr;
        if (fontBank) {
            fontBank->refresh();
            auto it = fontBank->resources.find(fonts::FontDescriptor("Small", 20, 0));
            if (it == fontBank->resources.end())
                it = fontBank->resources.find(fonts::FontDescriptor("Standard", 33, 0));
            if (it != fontBank->resources.end())
                font = it->second;
        }

        if (auto* animations = set.bank<gfx::AnimationBank>("animationsGame")) {
            Pages pages(out + "animations", font);
            for (auto& entry : animations->resources) {
                gfx::Animation* animation = entry.second;
                int index = 0;
                for (gfx::AnimationFrame const& frame : animation->frames) {
                    std::string label = index == 0 ? entry.first : std::to_string(index);
                    ++index;
                    if (!frame.image)
                        continue;
                    drawImage(frame.image,
                              pages.cell(static_cast<float>(frame.image->width),
                                         static_cast<float>(frame.image->height), label));
                }
            }
        }
        for (char const* name : {"imagesHud", "imagesGui", "imagesGame"}) {
            auto* bank = set.bank<gfx::ImageBank>(name);
            if (!bank)
                continue;
            Pages pages(out + name, font);
            for (auto& entry : bank->resources) {
                gfx::ImageResource* image = entry.second;
                if (std::string(name) == "imagesGame" && entry.first.find('_') != std::string::npos)
                    continue; // animation frames are on their own pages
                if (std::string(name) == "imagesHud")
                    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
                drawImage(image, pages.cell(static_cast<float>(image->width),
                                            static_cast<float>(image->height), entry.first));
                glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            }
        }
        if (auto* gui = set.bank<gui::GUI>("gui"))
            drawPanels(gui, set.bank<gfx::ImageBank>("imagesGui"), out);
    } catch (std::string const& error) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::fflush(stdout);
    SDL_Quit();
    return 0;
}
