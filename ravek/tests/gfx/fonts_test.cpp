#include "ravek/src/gfx/fonts.h"

#include "ravek/src/resources.h"
#include "ravek/src/xml.h"
#include "ravek/tests/gl_state.h"
#include "ravek/tests/gl_util.h"
#include "ravek/tests/test_util.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>

using namespace ravek;
using namespace ravek::fonts;

namespace {

typedef JustificationHorizontal H;
typedef JustificationVertical V;

// The repository's root, from this file's path.
std::string sourceRoot() {
    std::string file = __FILE__;
    return file.substr(0, file.rfind("ravek/tests/gfx/"));
}

// A font directory below a temporary directory, holding "bitmapfont.xml".
std::string fontDir(testutil::TempDir const& temp, std::string const& name,
                    std::string const& description) {
    mkdir(temp.file(name).c_str(), 0700);
    temp.write(name + "/bitmapfont.xml", description);
    return temp.file(name) + "/";
}

std::string description(std::string const& attributes, std::string const& body) {
    return "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<bitmapfont " + attributes + ">\n" +
           body + "</bitmapfont>\n";
}

std::string line(int index, std::string const& chars) {
    std::string text = "<line index=\"" + std::to_string(index) + "\">";
    for (char c : chars)
        text += "<char char=\"" + std::string(1, c) + "\"/>";
    return text + "</line>";
}

// A through Z in two lines of glyphs 10 pixels wide and a blank space.
std::string const ALPHABET =
    description("name=\"Alpha\" size=\"12\" height=\"16\" spacing=\"1\" width=\"10\"",
                "<char char=\"32\" width=\"6\"/><image file=\"alpha.png\">" +
                    line(1, "ABCDEFGHIJKLM") + line(2, "NOPQRSTUVWXYZ") + "</image>");

std::unique_ptr<xml::Node> parse(std::string const& file) {
    return std::unique_ptr<xml::Node>(xml::loadXML(file));
}

// Prints nothing; remembers the texts it was given. Every byte is 5 pixels wide, lines 10 high.
class RecordingFont : public Font {
public:
    std::vector<std::string> printed;

    using Font::print;
    std::uint8_t getHeight() const override { return 10; }
    std::uint16_t getWidth(char const* text) const override {
        return static_cast<std::uint16_t>(5 * std::strlen(text));
    }
    void print(char const* text) override { printed.push_back(text); }
    void release() override {}
    void load() override {}
};

} // namespace

TEST(FontDescriptor, OrdersByNameThenSizeThenStyle) {
    EXPECT_TRUE(FontDescriptor("A", 40, 3) < FontDescriptor("B", 10, 0));
    EXPECT_TRUE(FontDescriptor("A", 10, 3) < FontDescriptor("A", 20, 0));
    EXPECT_TRUE(FontDescriptor("A", 10, 0) < FontDescriptor("A", 10, 1));
    EXPECT_FALSE(FontDescriptor("A", 10, 1) < FontDescriptor("A", 10, 1));
    FontDescriptor empty;
    EXPECT_EQ("", empty.name);
    EXPECT_EQ(0u, empty.size);
    EXPECT_EQ(0, empty.style);
}

TEST(BitmapFont, GlyphsFromSpaceToZGiveTheRangeAndBlankCodesInBetween) {
    testutil::TempDir temp;
    BitmapFont font(fontDir(temp, "alpha", ALPHABET));
    EXPECT_EQ(FontDescriptor("Alpha", 12, 0), font.name);
    EXPECT_EQ(16, font.getHeight());
    EXPECT_EQ(1, font.spacing);
    EXPECT_EQ(32, font.firstChar);
    EXPECT_EQ(59, font.count);
    EXPECT_EQ(6, font.widths[0]);
    for (int c = 33; c <= 64; ++c)
        EXPECT_EQ(0, font.widths[c - 32]) << c;
    EXPECT_EQ(10, font.widths['Z' - 32]);
    EXPECT_EQ(1, font.getWidth("!"));
    EXPECT_EQ(1u, static_cast<unsigned>(font.imageBank->size()));
}

TEST(BitmapFont, WidthAddsTheSpacingAfterEveryByte) {
    testutil::TempDir temp;
    BitmapFont font(fontDir(
        temp, "ab",
        description("name=\"AB\" height=\"8\" spacing=\"1\"",
                    "<image file=\"ab.png\"><line index=\"1\"><char char=\"A\" width=\"10\"/>"
                    "<char char=\"B\" width=\"12\"/></line></image>")));
    EXPECT_EQ(24, font.getWidth("AB"));
    EXPECT_EQ(0, font.getWidth(""));
    EXPECT_EQ(0, font.getWidth(nullptr));
    // Below the range, above it and beyond 127: spacing only, as they are drawn.
    EXPECT_EQ(11 + 1 + 1 + 1 + 1 + 13, font.getWidth("A@C\x80\xff"
                                                     "B"));
}

TEST(BitmapFont, LinesStartAtTheirRowAndCellsFollowEachOther) {
    testutil::TempDir temp;
    std::string dir = fontDir(
        temp, "lines",
        description("name=\"Lines\" height=\"16\" yHotSpot=\"2\" width=\"7\" hPadding=\"3\" "
                    "vPadding=\"2\"",
                    "<image file=\"g.png\">" + line(1, "AB") +
                        "<line index=\"3\"><char char=\"C\"/><char char=\"D\" width=\"4\" "
                        "height=\"20\" yHotSpot=\"-1\"/><char char=\"E\"/></line></image>"));
    BitmapFont font(dir);
    auto root = parse(dir + "bitmapfont.xml");
    BitmapFontCharacters glyphs = font.readCharacters(root.get(), dir, 7, 3, 2);
    ASSERT_EQ(5u, glyphs.size());
    EXPECT_EQ(0, glyphs['A'].y);
    EXPECT_EQ(0, glyphs['A'].x);
    EXPECT_EQ(10, glyphs['B'].x);
    EXPECT_EQ(36, glyphs['C'].y);
    EXPECT_EQ(0, glyphs['C'].x);
    EXPECT_EQ(10, glyphs['D'].x);
    EXPECT_EQ(17, glyphs['E'].x);
    // Cell defaults come from the font, a glyph's own metrics win.
    EXPECT_EQ(7, glyphs['C'].width);
    EXPECT_EQ(16, glyphs['C'].height);
    EXPECT_EQ(2, glyphs['C'].yHotSpot);
    EXPECT_EQ(4, glyphs['D'].width);
    EXPECT_EQ(20, glyphs['D'].height);
    EXPECT_EQ(-1, glyphs['D'].yHotSpot);
    EXPECT_NE(nullptr, glyphs['A'].image);
    EXPECT_EQ(dir + "g.png", glyphs['A'].image->getFilename());
    EXPECT_EQ("Linesg.png", glyphs['A'].image->name);
}

TEST(BitmapFont, LineWithoutIndexWarnsAndCountsAsTheFirst) {
    testutil::TempDir temp;
    std::string dir = fontDir(temp, "noindex",
                              description("name=\"N\" height=\"16\" width=\"5\" vPadding=\"2\"",
                                          "<image file=\"g.png\"><line><char char=\"A\"/></line>"
                                          "<line index=\"0\"><char char=\"B\"/></line>"
                                          "<line index=\"-2\"><char char=\"C\"/></line></image>"));
    testutil::LogCapture log;
    BitmapFont font(dir);
    auto root = parse(dir + "bitmapfont.xml");
    BitmapFontCharacters glyphs = font.readCharacters(root.get(), dir, 5, 0, 2);
    std::string text = log.text();
    EXPECT_NE(std::string::npos,
              text.find("(warning) No index specified for font image line. Using line 1."));
    EXPECT_NE(std::string::npos,
              text.find("(warning) Invalid font image line index 0. Using line 1."));
    EXPECT_EQ(0, glyphs['A'].y);
    EXPECT_EQ(0, glyphs['B'].y);
    EXPECT_EQ(0, glyphs['C'].y);
}

TEST(BitmapFont, DescriptionWithoutGlyphsGivesAnEmptyFont) {
    testutil::TempDir temp;
    BitmapFont font(fontDir(temp, "empty",
                            description("name=\"Empty\" height=\"9\" spacing=\"2\"",
                                        "<image file=\"unused.png\"><line index=\"1\"/></image>")));
    EXPECT_EQ(0, font.count);
    EXPECT_EQ(0u, font.listBase);
    EXPECT_EQ(6, font.getWidth("abc"));
    EXPECT_FALSE(font.inRange(0));
    EXPECT_EQ(9, font.getHeight());
}

TEST(BitmapFont, MissingOrForeignDescriptionLeavesTheFontEmptyWithAnError) {
    testutil::TempDir temp;
    testutil::LogCapture log;
    BitmapFont missing(temp.file("nowhere"));
    BitmapFont foreign(fontDir(temp, "foreign", "<?xml version=\"1.0\"?><font name=\"F\"/>"));
    BitmapFont broken(fontDir(temp, "broken", "<bitmapfont name=\"B\">"));
    std::string text = log.text();
    EXPECT_NE(std::string::npos, text.find("(error) Could not read font \"" + temp.file("nowhere") +
                                           "/bitmapfont.xml\""));
    EXPECT_NE(std::string::npos, text.find("is no bitmap font description. Font left empty."));
    for (BitmapFont* font : {&missing, &foreign, &broken}) {
        EXPECT_EQ(0, font->count);
        EXPECT_EQ(0, font->getWidth("abc"));
        EXPECT_EQ("", font->name.name);
    }
    EXPECT_EQ(temp.file("nowhere") + "/", missing.dir);
}

TEST(BitmapFont, CharacterIsOneCharacterOrAnIntegerCodeUpTo255) {
    testutil::TempDir temp;
    // The file is Latin-1: the byte E9 is the one character e acute.
    std::string dir = fontDir(
        temp, "codes",
        description("name=\"C\" height=\"8\" width=\"4\"",
                    "<image file=\"g.png\"><line index=\"1\">"
                    "<char char=\"7\"/><char char=\"0x41\"/><char char=\"66\"/>"
                    "<char char=\"200\"/><char char=\"\xe9\"/><char char=\"xyz\"/>"
                    "<char char=\"\"/><char char=\"-1\"/><char char=\"127\"/><char width=\"9\"/>"
                    "<char char=\"~\"/><char char=\"256\"/></line></image>"));
    testutil::LogCapture log;
    BitmapFont font(dir);
    auto root = parse(dir + "bitmapfont.xml");
    BitmapFontCharacters glyphs = font.readCharacters(root.get(), dir, 4, 0, 0);
    std::string text = log.text();
    ASSERT_EQ(7u, glyphs.size());
    EXPECT_EQ(0, glyphs['7'].x);
    EXPECT_EQ(4, glyphs['A'].x);
    EXPECT_EQ(8, glyphs['B'].x);
    EXPECT_EQ(12, glyphs[static_cast<char>(200)].x);
    EXPECT_EQ(16, glyphs['\xe9'].x);
    // Skipped codes keep their cells; a glyph without a character has none.
    EXPECT_EQ(32, glyphs[127].x);
    EXPECT_EQ(36, glyphs['~'].x);
    EXPECT_NE(std::string::npos,
              text.find("(warning) Invalid character \"256\" (codes 0 to 255 only). "
                        "Skipping character."));
    EXPECT_NE(std::string::npos, text.find("(warning) Invalid character \"xyz\""));
    EXPECT_NE(std::string::npos, text.find("(warning) Invalid character \"\""));
    EXPECT_NE(std::string::npos, text.find("(warning) Invalid character \"-1\""));
    EXPECT_EQ(std::string::npos, text.find("Invalid character \"200\""));
    EXPECT_NE(std::string::npos,
              text.find("(error) No character index specified for character node. Skipping "
                        "character."));
    // The range runs from the lowest to the highest code as bytes, not as signed chars.
    EXPECT_EQ('7', font.firstChar);
    EXPECT_EQ(233 - '7' + 1, font.count);
    EXPECT_EQ(4, font.getWidth("\xe9"));
    EXPECT_EQ(4 + 4, font.getWidth("\xc8"
                                   "A"));
    EXPECT_TRUE(font.hasGlyph(0xE9));
    EXPECT_TRUE(font.hasGlyph(127));
    // In the range without a glyph, and beyond it.
    EXPECT_FALSE(font.hasGlyph(0xE8));
    EXPECT_FALSE(font.hasGlyph(0xEA));
    EXPECT_FALSE(font.hasGlyph(' '));
}

TEST(BitmapFont, BlankGlyphsDefaultToSpaceAndLaterGlyphsReplaceEarlierOnes) {
    testutil::TempDir temp;
    testutil::LogCapture log;
    BitmapFont font(
        fontDir(temp, "blank",
                description("name=\"B\" height=\"8\" width=\"4\"",
                            "<char width=\"3\"/><image file=\"g.png\">" + line(1, "AB") +
                                "</image><char char=\"A\" width=\"9\"/>")));
    EXPECT_NE(std::string::npos,
              log.text().find(
                  "(error) No character index specified for blank character node. Using #32."));
    EXPECT_EQ(32, font.firstChar);
    EXPECT_EQ(3, font.getWidth(" "));
    EXPECT_EQ(9, font.getWidth("A"));
    EXPECT_EQ(4, font.getWidth("B"));
}

TEST(BitmapFont, NameDefaultsToTheDirectoryAndSizeToZero) {
    testutil::TempDir temp;
    testutil::LogCapture log;
    std::string dir = fontDir(temp, "unnamed", description("height=\"8\"", ""));
    BitmapFont font(dir.substr(0, dir.size() - 1));
    EXPECT_NE(std::string::npos,
              log.text().find("(warning) No name specified for font. Using directory name."));
    EXPECT_EQ(FontDescriptor(dir, 0, 0), font.name);
    EXPECT_EQ(dir, font.dir);
}

TEST(BitmapFont, ImageWithoutFileIsSkippedAndTheSameFileIsOneImage) {
    testutil::TempDir temp;
    testutil::LogCapture log;
    std::string dir = fontDir(
        temp, "images",
        description("name=\"I\" height=\"8\" width=\"4\"",
                    "<image>" + line(1, "Z") + "</image><image file=\"g.png\">" + line(1, "A") +
                        "</image><image file=\"g.png\">" + line(2, "B") + "</image>"));
    BitmapFont font(dir);
    EXPECT_NE(std::string::npos,
              log.text().find("(error) No filename specified for font image. Skipping image."));
    EXPECT_EQ('A', font.firstChar);
    EXPECT_EQ(2, font.count);
    EXPECT_EQ(1, font.imageBank->size());
    auto root = parse(dir + "bitmapfont.xml");
    BitmapFontCharacters glyphs = font.readCharacters(root.get(), dir, 4, 0, 0);
    EXPECT_EQ(glyphs['A'].image, glyphs['B'].image);
    EXPECT_EQ(8, glyphs['B'].y);
}

// Fonts are read while the resource description loads, before any window exists.
TEST(BitmapFont, ReadWithoutAnOpenGLContextTakesNoNames) {
    testutil::TempDir temp;
    auto font = std::make_unique<BitmapFont>(fontDir(temp, "alpha", ALPHABET));
    EXPECT_EQ(59, font->count);
    EXPECT_EQ(0u, font->listBase);
    EXPECT_EQ(nullptr, font->image);
    for (auto const& entry : font->imageBank->resources)
        EXPECT_EQ(0u, static_cast<gfx::SimpleImage*>(entry.second)->texture);
    font->refresh();
    EXPECT_EQ(0u, font->listBase);
    EXPECT_EQ(59, font->count);
    font.reset();
}

TEST(BitmapFont, ReadsTheGamesFonts) {
    BitmapFont standard(sourceRoot() + "resources/fonts/standard");
    EXPECT_EQ(FontDescriptor("Standard", 33, 0), standard.name);
    EXPECT_EQ(25, standard.getHeight());
    EXPECT_EQ(32, standard.firstChar);
    // Latin-1 to its end: the font draws the names.
    EXPECT_EQ(256 - 32, standard.count);
    EXPECT_EQ(7, standard.getWidth(" "));
    EXPECT_EQ(7, standard.getWidth("\xa0"));
    EXPECT_EQ(15 + 14, standard.getWidth("AB"));
    EXPECT_EQ(13, standard.getWidth("\xeb"));
    auto root = parse(standard.dir + "bitmapfont.xml");
    BitmapFontCharacters glyphs = standard.readCharacters(root.get(), standard.dir, 0, 2, 2);
    EXPECT_EQ(54, glyphs['D'].y);
    EXPECT_EQ(0, glyphs['D'].x);
    EXPECT_EQ(16 + 2, glyphs['E'].x);

    BitmapFont small(sourceRoot() + "resources/fonts/small/");
    EXPECT_EQ(FontDescriptor("Small", 20, 0), small.name);
    EXPECT_EQ(18, small.getHeight());
    EXPECT_EQ(95, small.count);
}

TEST(Font, GlyphQuadsStandOnTheBaselineAndScaleIntoPaddedTextures) {
    BitmapFontCharacterData glyph(nullptr, 10, 20, 6, 8, 2);
    gfx::TexturedQuad q = glyphQuad(glyph, 40.0f, 50.0f, 0.625f, 0.78125f);
    EXPECT_FLOAT_EQ(0.0f, q.left);
    EXPECT_FLOAT_EQ(6.0f, q.right);
    EXPECT_FLOAT_EQ(-2.0f, q.bottom);
    EXPECT_FLOAT_EQ(6.0f, q.top);
    EXPECT_FLOAT_EQ(10.0f / 40.0f * 0.625f, q.sLeft);
    EXPECT_FLOAT_EQ(16.0f / 40.0f * 0.625f, q.sRight);
    EXPECT_FLOAT_EQ(20.0f / 50.0f * 0.78125f, q.tTop);
    EXPECT_FLOAT_EQ(28.0f / 50.0f * 0.78125f, q.tBottom);
    gfx::TexturedQuad unloaded = glyphQuad(glyph, 0.0f, 0.0f, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(0.0f, unloaded.sRight);
    EXPECT_FLOAT_EQ(0.0f, unloaded.tBottom);
}

TEST(Font, JustificationOffsets) {
    EXPECT_EQ(0, justifiedOffset(H::left, 25));
    EXPECT_EQ(-13, justifiedOffset(H::center, 25));
    EXPECT_EQ(-12, justifiedOffset(H::center, 24));
    EXPECT_EQ(-25, justifiedOffset(H::right, 25));

    basic_Rect<float> rect(0.0f, 0.0f, 100.0f, 40.0f);
    EXPECT_FLOAT_EQ(12.0f, justifiedOrigin(rect, H::center, V::center, 25, 16).y);
    EXPECT_FLOAT_EQ(38.0f, justifiedOrigin(rect, H::center, V::center, 25, 16).x);
    basic_Rect<float> moved(10.0f, 20.0f, 100.0f, 40.0f);
    EXPECT_FLOAT_EQ(20.0f, justifiedOrigin(moved, H::left, V::bottom, 25, 16).y);
    EXPECT_FLOAT_EQ(10.0f, justifiedOrigin(moved, H::left, V::bottom, 25, 16).x);
    EXPECT_FLOAT_EQ(44.0f, justifiedOrigin(moved, H::right, V::top, 25, 16).y);
    EXPECT_FLOAT_EQ(85.0f, justifiedOrigin(moved, H::right, V::top, 25, 16).x);
    EXPECT_FLOAT_EQ(32.0f, justifiedOrigin(moved, H::left, V::center, 25, 17).y);
}

TEST(Font, PrintfCutsItsTextAt1023Characters) {
    RecordingFont font;
    std::string longText(3000, 'x');
    font.printf("%s", longText.c_str());
    font.printf(H::right, "%s!", longText.c_str());
    font.printf(basic_Rect<float>(0.0f, 0.0f, 10.0f, 10.0f), H::left, V::top, "%d-%s", 42,
                longText.c_str());
    ASSERT_EQ(3u, font.printed.size());
    EXPECT_EQ(std::string(1023, 'x'), font.printed[0]);
    EXPECT_EQ(std::string(1023, 'x'), font.printed[1]);
    EXPECT_EQ("42-" + std::string(1020, 'x'), font.printed[2]);
}

TEST(Font, TextIsNeverTakenAsAFormat) {
    RecordingFont font;
    font.print(H::center, "%s%n%d");
    font.print(basic_Rect<float>(0.0f, 0.0f, 10.0f, 10.0f), H::left, V::top, "%x");
    font.printf("%s", "%n%s");
    ASSERT_EQ(3u, font.printed.size());
    EXPECT_EQ("%s%n%d", font.printed[0]);
    EXPECT_EQ("%x", font.printed[1]);
    EXPECT_EQ("%n%s", font.printed[2]);
}

TEST(FontBank, ReadsFontsFromTheirDirectoriesUnderTheirDescriptors) {
    testutil::TempDir temp;
    fontDir(temp, "alpha", ALPHABET);
    fontDir(temp, "small", description("name=\"Alpha\" size=\"8\" height=\"8\"", ""));
    fontDir(temp, "again", description("name=\"Alpha\" size=\"12\" height=\"30\"", ""));
    temp.write("resources.xml", "<?xml version=\"1.0\"?>\n<resources>"
                                "<fonts name=\"fonts\"><bitmapfont dir=\"alpha\"/>"
                                "<bitmapfont dir=\"small/\"/><ignored dir=\"again/\"/></fonts>"
                                "</resources>");
    ResourceManager manager;
    manager.load(temp.file("resources.xml"), "");
    auto* bank = dynamic_cast<FontBank*>(manager.banks["fonts"]);
    ASSERT_NE(nullptr, bank);
    EXPECT_EQ("fonts", bank->getNodeName());
    ASSERT_EQ(2, bank->size());
    Font* alpha = bank->resources[FontDescriptor("Alpha", 12, 0)];
    ASSERT_NE(nullptr, alpha);
    EXPECT_EQ(16, alpha->getHeight());
    EXPECT_EQ(bank, alpha->bank);
    EXPECT_EQ(temp.file("alpha/"), static_cast<BitmapFont*>(alpha)->dir);
    EXPECT_EQ(8, bank->resources[FontDescriptor("Alpha", 8, 0)]->getHeight());
    delete alpha;
    EXPECT_EQ(1, bank->size());
    delete bank;
}

TEST(FontBank, SecondFontOfTheSameDescriptorReplacesTheFirst) {
    testutil::TempDir temp;
    fontDir(temp, "alpha", ALPHABET);
    fontDir(temp, "again", description("name=\"Alpha\" size=\"12\" height=\"30\"", ""));
    xml::Node node;
    node.name = "fonts";
    for (char const* dir : {"alpha/", "again/"}) {
        auto* child = new xml::Node;
        child->name = "bitmapfont";
        (*child)["dir"] = dir;
        node += child;
    }
    FontBank bank;
    bank.getFromNode(&node, temp.path + "/");
    ASSERT_EQ(1, bank.size());
    EXPECT_EQ(30, bank.resources.begin()->second->getHeight());
}

TEST(FontBank, RefreshReKeysFontsWhoseDescriptionChanged) {
    testutil::TempDir temp;
    std::string first = fontDir(temp, "first", description("name=\"One\" size=\"1\"", ""));
    std::string second = fontDir(temp, "second", description("name=\"Two\" size=\"2\"", ""));
    xml::Node node;
    for (char const* dir : {"first", "second"}) {
        auto* child = new xml::Node;
        child->name = "bitmapfont";
        (*child)["dir"] = dir;
        node += child;
    }
    FontBank bank;
    bank.getFromNode(&node, temp.path + "/");
    Font* one = bank.resources[FontDescriptor("One", 1, 0)];
    Font* two = bank.resources[FontDescriptor("Two", 2, 0)];
    ASSERT_NE(nullptr, one);
    ASSERT_NE(nullptr, two);

    temp.write("first/bitmapfont.xml", description("name=\"Uno\" size=\"3\"", ""));
    // The second now claims the first's new descriptor: it keeps its own.
    temp.write("second/bitmapfont.xml", description("name=\"Uno\" size=\"3\"", ""));
    testutil::LogCapture log;
    bank.refresh();
    EXPECT_NE(std::string::npos,
              log.text().find("(warning) Font \"Uno\" of size 3 is already in the bank."));
    ASSERT_EQ(2, bank.size());
    EXPECT_EQ(one, bank.resources[FontDescriptor("Uno", 3, 0)]);
    EXPECT_EQ(two, bank.resources[FontDescriptor("Two", 2, 0)]);
    EXPECT_EQ(FontDescriptor("Two", 2, 0), two->name);
}

TEST(FontBank, GeneratorMakesFontBanksForFontsOnly) {
    std::unique_ptr<BasicResourceBank> bank(fonts::resourceBankGenerator.generateBank("fonts"));
    EXPECT_NE(nullptr, dynamic_cast<FontBank*>(bank.get()));
    EXPECT_EQ(nullptr, fonts::resourceBankGenerator.generateBank("Fonts"));
    EXPECT_EQ(nullptr, fonts::resourceBankGenerator.generateBank("images"));
}

namespace {

std::uint32_t const BLACK = 0x000000FF, RED = 0xFF0000FF, YELLOW = 0xFFFF00FF, GREEN = 0x00FF00FF,
                    CYAN = 0x00FFFFFF, BLUE = 0x0000FFFF, MAGENTA = 0xFF00FFFF, WHITE = 0xFFFFFFFF;

// RGBA pixels, top row first, transparent black where no cell is painted.
struct Picture {
    int width, height;
    std::vector<std::uint8_t> pixels;

    Picture(int width, int height)
        : width(width), height(height), pixels(static_cast<size_t>(width) * height * 4, 0) {}
    // Paints a glyph cell: its upper half in `top`, its lower half in `bottom`.
    void cell(int x, int y, int w, int h, std::uint32_t top, std::uint32_t bottom) {
        for (int row = 0; row < h; ++row)
            for (int column = 0; column < w; ++column) {
                std::uint32_t color = row < h / 2 ? top : bottom;
                std::uint8_t* p = &pixels[(static_cast<size_t>(y + row) * width + x + column) * 4];
                p[0] = static_cast<std::uint8_t>(color >> 24);
                p[1] = static_cast<std::uint8_t>(color >> 16);
                p[2] = static_cast<std::uint8_t>(color >> 8);
                p[3] = static_cast<std::uint8_t>(color);
            }
    }
    bool write(std::string const& file) const {
        return testutil::writePng(file, width, height, 4, pixels);
    }
};

// Glyphs 8 high, spacing 1: a blank space 2 wide, A (4 wide, red over yellow) and B (5 wide,
// green over cyan) on line 1, C (3 wide, blue over magenta) on line 2, in a 12 x 18 picture that
// the texture pads to 16 x 32.
std::string testFont(testutil::TempDir const& temp, std::string const& name = "test") {
    std::string dir = fontDir(
        temp, name,
        description("name=\"Test\" size=\"8\" height=\"8\" spacing=\"1\" hPadding=\"1\" "
                    "vPadding=\"2\"",
                    "<char char=\" \" width=\"2\"/><image file=\"glyphs.png\"><line "
                    "index=\"1\"><char char=\"A\" width=\"4\"/>"
                    "<char char=\"B\" width=\"5\"/></line><line index=\"2\"><char char=\"C\" "
                    "width=\"3\"/></line></image>"));
    Picture picture(12, 18);
    picture.cell(0, 0, 4, 8, RED, YELLOW);
    picture.cell(5, 0, 5, 8, GREEN, CYAN);
    picture.cell(0, 10, 3, 8, BLUE, MAGENTA);
    EXPECT_TRUE(picture.write(dir + "glyphs.png"));
    return dir;
}

// 96 white glyphs of one pixel for the codes 32 to 127.
std::string wideFont(testutil::TempDir const& temp) {
    std::string chars;
    for (int c = 32; c < 128; ++c)
        chars += "<char char=\"" + std::to_string(c) + "\"/>";
    std::string dir = fontDir(
        temp, "wide",
        description("name=\"Wide\" height=\"8\" width=\"1\"",
                    "<image file=\"wide.png\"><line index=\"1\">" + chars + "</line></image>"));
    Picture picture(96, 8);
    picture.cell(0, 0, 96, 8, WHITE, WHITE);
    EXPECT_TRUE(picture.write(dir + "wide.png"));
    return dir;
}

// The glyphs A and B of the test font, each in an image of its own.
std::string twoImageFont(testutil::TempDir const& temp) {
    std::string dir =
        fontDir(temp, "two",
                description("name=\"Two\" height=\"8\" spacing=\"1\"",
                            "<image file=\"a.png\"><line index=\"1\"><char char=\"A\" "
                            "width=\"4\"/></line></image><image file=\"b.png\"><line "
                            "index=\"1\"><char char=\"B\" width=\"5\"/></line></image>"));
    Picture a(4, 8), b(5, 8);
    a.cell(0, 0, 4, 8, RED, YELLOW);
    b.cell(0, 0, 5, 8, GREEN, CYAN);
    EXPECT_TRUE(a.write(dir + "a.png"));
    EXPECT_TRUE(b.write(dir + "b.png"));
    return dir;
}

// A window with a 2D context of its own pixel size, cleared to black, drawing in white.
struct Canvas {
    testutil::Window window;
    Canvas() : window(64, 32) {
        RenderContext2D(basic_Vector2D<float>(64.0f, 32.0f)).apply();
        clear();
    }
    void clear() {
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        clearScreen();
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        resetCursor();
    }
};

// Where a glyph of the test font was drawn: its box in window pixels and its two colours.
struct Drawn {
    int x, y, width;
    std::uint32_t top, bottom;
};

Drawn glyphA(int x, int y) {
    return {x, y, 4, RED, YELLOW};
}
Drawn glyphB(int x, int y) {
    return {x, y, 5, GREEN, CYAN};
}
Drawn glyphC(int x, int y) {
    return {x, y, 3, BLUE, MAGENTA};
}

// Every pixel of the window: the glyphs' colours inside their boxes, black elsewhere.
void expectPicture(std::vector<Drawn> const& glyphs) {
    std::vector<std::uint8_t> pixels = testutil::readPixels(0, 0, 64, 32);
    int wrong = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x) {
            std::uint32_t expected = BLACK;
            for (Drawn const& g : glyphs)
                if (x >= g.x && x < g.x + g.width && y >= g.y && y < g.y + 8)
                    expected = y >= g.y + 4 ? g.top : g.bottom;
            std::uint32_t actual = testutil::rgba(&pixels[(static_cast<size_t>(y) * 64 + x) * 4]);
            if (actual != expected && ++wrong <= 5)
                ADD_FAILURE() << "pixel (" << x << ", " << y << "): " << std::hex << actual
                              << " instead of " << expected;
        }
    EXPECT_EQ(0, wrong);
}

float cursorX() {
    float matrix[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
    return matrix[12];
}

} // namespace

TEST(FontGL, PrintsAJustifiedLineOfTheTestFont) {
    testutil::TempDir temp;
    std::string dir = testFont(temp);
    Canvas canvas;
    BitmapFont font(dir);
    ASSERT_NE(0u, font.listBase);
    ASSERT_NE(nullptr, font.image);
    EXPECT_EQ(15, font.getWidth("ABC"));

    moveCursor(basic_Vector2D<float>(60.0f, 10.0f));
    font.print(H::right, "ABC");
    EXPECT_FLOAT_EQ(60.0f, cursorX());
    expectPicture({glyphA(45, 10), glyphB(50, 10), glyphC(56, 10)});

    canvas.clear();
    moveCursor(basic_Vector2D<float>(20.0f, 2.0f));
    font.print(H::center, "ABC");
    expectPicture({glyphA(12, 2), glyphB(17, 2), glyphC(23, 2)});

    canvas.clear();
    font.print(basic_Rect<float>(0.0f, 0.0f, 64.0f, 32.0f), H::center, V::center, "CAB");
    // Only the advance of the text stays.
    EXPECT_FLOAT_EQ(15.0f, cursorX());
    expectPicture({glyphC(25, 12), glyphA(29, 12), glyphB(34, 12)});

    canvas.clear();
    font.printf(basic_Rect<float>(4.0f, 4.0f, 50.0f, 20.0f), H::right, V::top, "%c%s", 'B', "A");
    expectPicture({glyphB(43, 16), glyphA(49, 16)});
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}

TEST(FontGL, BytesOutsideTheRangeDrawNothingAndAdvanceBySpacing) {
    testutil::TempDir temp;
    std::string wideDir = wideFont(temp);
    std::string dir = testFont(temp);
    Canvas canvas;
    // Lists of another font lie right below this font's.
    BitmapFont wide(wideDir);
    BitmapFont font(dir);
    ASSERT_EQ(wide.listBase + 96, font.listBase);

    // '@' lies in the range without a glyph; '~' above it.
    char const* text = "A\x80"
                       "B @~\x01\xf0\xff"
                       "C";
    EXPECT_EQ(5 + 1 + 6 + 3 + 1 + 1 + 1 + 1 + 1 + 4, font.getWidth(text));
    moveCursor(basic_Vector2D<float>(1.0f, 3.0f));
    font.print(text);
    EXPECT_FLOAT_EQ(1.0f + font.getWidth(text), cursorX());
    expectPicture({glyphA(1, 3), glyphB(7, 3), glyphC(21, 3)});
}

TEST(FontGL, FontReadBeforeTheWindowIsBuiltByARefresh) {
    // No window yet, even after other tests in this process.
    SDL_Quit();
    testutil::TempDir temp;
    std::string dir = testFont(temp);
    std::string wideDir = wideFont(temp);
    auto early = std::make_unique<BitmapFont>(dir);
    auto earlyWide = std::make_unique<BitmapFont>(wideDir);
    EXPECT_EQ(0u, early->listBase);
    EXPECT_EQ(96, earlyWide->count);

    Canvas canvas;
    early->print("AB");
    EXPECT_FLOAT_EQ(11.0f, cursorX());
    expectPicture({});

    BitmapFont late(dir);
    ASSERT_NE(0u, late.listBase);
    // Without lists of its own it must not delete list 0 onwards, which are the other font's.
    earlyWide.reset();
    EXPECT_TRUE(glIsList(late.listBase));

    early->refresh();
    ASSERT_NE(0u, early->listBase);
    canvas.clear();
    moveCursor(basic_Vector2D<float>(0.0f, 0.0f));
    early->print("A");
    moveCursor(basic_Vector2D<float>(10.0f, 0.0f));
    late.print("B");
    expectPicture({glyphA(0, 0), glyphB(15, 0)});
}

TEST(FontGL, EmptyFontMakesNoListsAndDrawsNothing) {
    testutil::TempDir temp;
    std::string dir = fontDir(temp, "empty", description("name=\"E\" height=\"8\"", ""));
    Canvas canvas;
    while (glGetError() != GL_NO_ERROR) {
    }
    BitmapFont font(dir);
    EXPECT_EQ(0, font.count);
    EXPECT_EQ(0u, font.listBase);
    font.print(H::center, "ABC");
    font.refresh();
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
    expectPicture({});
}

TEST(FontGL, GlyphsOfSeveralImagesBindTheirOwnTexture) {
    testutil::TempDir temp;
    std::string dir = twoImageFont(temp);
    Canvas canvas;
    BitmapFont font(dir);
    EXPECT_EQ(nullptr, font.image);
    EXPECT_EQ(2, font.imageBank->size());
    moveCursor(basic_Vector2D<float>(2.0f, 2.0f));
    font.print("BAB");
    expectPicture({glyphB(2, 2), glyphA(8, 2), glyphB(13, 2)});
}

TEST(FontGL, ReleaseDeletesListsAndTexturesAndRefreshMakesThemAgain) {
    testutil::TempDir temp;
    std::string dir = testFont(temp);
    Canvas canvas;
    BitmapFont font(dir);
    unsigned lists = font.listBase;
    unsigned texture = font.image->texture;
    ASSERT_TRUE(glIsList(lists));
    ASSERT_TRUE(glIsTexture(texture));
    font.release();
    EXPECT_FALSE(glIsList(lists));
    EXPECT_FALSE(glIsList(lists + 2));
    EXPECT_FALSE(glIsTexture(texture));
    EXPECT_EQ(0u, font.listBase);
    EXPECT_EQ(0, font.getWidth("A") - 1);

    font.refresh();
    font.print("C");
    expectPicture({glyphC(0, 0)});
}

TEST(FontGL, UnreadableGlyphImageThrowsOutOfReading) {
    testutil::TempDir temp;
    std::string dir =
        fontDir(temp, "broken",
                description("name=\"Broken\" height=\"8\"",
                            "<image file=\"missing.png\">" + line(1, "A") + "</image>"));
    Canvas canvas;
    try {
        BitmapFont font(dir);
        ADD_FAILURE() << "no exception";
    } catch (std::string const& text) {
        EXPECT_EQ(0u, text.find("Could not load \"" + dir + "missing.png\""));
    }
    xml::Node node;
    auto* child = new xml::Node;
    child->name = "bitmapfont";
    (*child)["dir"] = "broken";
    node += child;
    FontBank bank;
    EXPECT_THROW(bank.getFromNode(&node, temp.path + "/"), std::string);
    EXPECT_EQ(0, bank.size());
}

TEST(FontGL, TheGamesStandardFontDraws) {
    Canvas canvas;
    BitmapFont font(sourceRoot() + "resources/fonts/standard/");
    ASSERT_NE(0u, font.listBase);
    ASSERT_NE(nullptr, font.image);
    moveCursor(basic_Vector2D<float>(2.0f, 4.0f));
    font.print("HI");
    EXPECT_FLOAT_EQ(2.0f + font.getWidth("HI"), cursorX());
    std::vector<std::uint8_t> pixels = testutil::readPixels(0, 0, 64, 32);
    int lit = 0;
    for (size_t i = 0; i < pixels.size(); i += 4)
        lit += pixels[i] > 128;
    EXPECT_GT(lit, 20);
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}

TEST(FontGL, PrintLeavesTheStateAsFoundButForTheAdvance) {
    testutil::TempDir temp;
    std::string single = testFont(temp);
    std::string several = twoImageFont(temp);
    Canvas canvas;
    GLuint other = 0;
    glGenTextures(1, &other);
    GLfloat vertices[9] = {};
    for (std::string const& dir : {single, several}) {
        BitmapFont font(dir);
        ASSERT_NE(0u, font.listBase);
        for (bool texturing : {false, true}) {
            testutil::setUnusualState(other, vertices);
            if (texturing)
                glEnable(GL_TEXTURE_2D);
            testutil::GLState expected = testutil::GLState::read();
            font.print("ABA");
            testutil::GLState after = testutil::GLState::read();
            EXPECT_FLOAT_EQ(3.0f + font.getWidth("ABA"), after.modelview[12]);
            std::copy(after.modelview, after.modelview + 16, expected.modelview);
            EXPECT_EQ(expected.text(), after.text()) << dir << " texturing " << texturing;
        }
    }
    glDeleteTextures(1, &other);
}
