// The high-score tables and their file: what a hand-edited or foreign file does to them, and
// what a saved file holds.
#include "quellon/src/highscores.h"

#include "ravek/src/xml.h"

#include "ravek/tests/test_util.h"

#include <gtest/gtest.h>

#include <memory>

using quellon::HighscoreEntry;
using quellon::Highscores;

namespace {

std::string file(std::string const& tables) {
    return "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?>\n<highscores>" + tables +
           "</highscores>\n";
}

std::string entries(int count, int first, int step) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "<entry name=\"p" + std::to_string(i) + "\" score=\"" +
                std::to_string(first + i * step) + "\"/>";
    return text;
}

Highscores loaded(std::string const& text) {
    testutil::TempDir dir;
    Highscores h;
    h.setDefaults();
    h.load(dir.write("highscores.xml", text));
    return h;
}

} // namespace

TEST(Highscores, DefaultsFillEveryRowInOrder) {
    Highscores h;
    h.setDefaults();
    EXPECT_EQ(100000u, h.singleA[0].score);
    EXPECT_EQ(500u, h.singleA[9].score);
    EXPECT_EQ(20000u, h.singleB[0].score);
    EXPECT_EQ(2500u, h.singleB[7].score);
    EXPECT_EQ(h.singleA[4].score, h.multi[4].score);
    EXPECT_EQ("-----------------", h.multi[9].name);
}

TEST(Highscores, FileFillsNamedTablesRowByRowWithoutSorting) {
    // Three rows of mode B only: the rest keeps its defaults.
    Highscores h = loaded(file("<singleB>" + entries(3, 1, 1) + "</singleB>"));
    EXPECT_EQ("p0", h.singleB[0].name);
    EXPECT_EQ(3u, h.singleB[2].score);
    EXPECT_EQ(10000u, h.singleB[4].score);
    EXPECT_EQ(100000u, h.singleA[0].score);

    // Ascending order is kept as it is, until a new row goes in above the first lower one.
    h = loaded(file("<singleA>" + entries(10, 100, 100) + "</singleA>"));
    EXPECT_EQ(100u, h.singleA[0].score);
    EXPECT_EQ(1000u, h.singleA[9].score);
    EXPECT_EQ(0, h.singleA.add(HighscoreEntry("new", 150)));

    // Twelve entries: the last two are ignored; unknown children are skipped at both levels.
    h = loaded(file("<junk/><multi><other/>" + entries(12, 1000, -10) + "</multi>"));
    EXPECT_EQ(1000u, h.multi[0].score);
    EXPECT_EQ(910u, h.multi[9].score);

    // A root of another name is refused and leaves the defaults.
    EXPECT_THROW(loaded("<scores><singleA>" + entries(1, 7, 0) + "</singleA></scores>"),
                 std::string);
    h = loaded("");
    EXPECT_EQ(100000u, h.singleA[0].score);
}

TEST(Highscores, ScoresThatAreNoScoresNeverTopTheTable) {
    Highscores h = loaded(file("<singleA>"
                               "<entry name=\"neg\" score=\"-5\"/>"
                               "<entry name=\"word\" score=\"lots\"/>"
                               "<entry name=\"huge\" score=\"99999999999\"/>"
                               "<entry name=\"none\"/>"
                               "</singleA>"));
    EXPECT_EQ(0u, h.singleA[0].score);
    EXPECT_EQ(0u, h.singleA[1].score);
    EXPECT_EQ(4294967295u, h.singleA[2].score);
    EXPECT_EQ(0u, h.singleA[3].score);
    EXPECT_EQ("none", h.singleA[3].name);
}

TEST(Highscores, SavedFileHoldsThirtyRowsAndReadsBackTheSame) {
    testutil::TempDir dir;
    Highscores h;
    h.setDefaults();
    // Latin-1 names keep every byte from 128 to 255; XML's own characters are escaped.
    std::string name;
    for (int c = 128; c < 256; ++c)
        name += static_cast<char>(c);
    name += "<\"&>";
    h.singleB.add(HighscoreEntry(name, 4294967295u));
    ASSERT_TRUE(h.save(dir.file("highscores.xml")));

    std::unique_ptr<ravek::xml::Node> root(ravek::xml::loadXML(dir.file("highscores.xml")));
    ASSERT_TRUE(root);
    int rows = 0;
    for (auto* table : root->children)
        rows += static_cast<int>(table->children.size());
    EXPECT_EQ(30, rows);

    Highscores back;
    back.load(dir.file("highscores.xml"));
    EXPECT_EQ(name, back.singleB[0].name);
    EXPECT_EQ(4294967295u, back.singleB[0].score);
    EXPECT_EQ(h.singleB[9].score, back.singleB[9].score);
    EXPECT_EQ(h.multi[3].name, back.multi[3].name);
}

TEST(Highscores, EqualScoresStayAboveANewRow) {
    Highscores h;
    h.clear();
    h.multi.add(HighscoreEntry("first", 300));
    h.multi.add(HighscoreEntry("second", 300));
    EXPECT_EQ(2, h.multi.add(HighscoreEntry("third", 300)));
    EXPECT_EQ("first", h.multi[0].name);
    EXPECT_EQ("second", h.multi[1].name);
    EXPECT_EQ("third", h.multi[2].name);
    EXPECT_TRUE(HighscoreEntry("a", 2) > HighscoreEntry("b", 1));
    EXPECT_FALSE(HighscoreEntry("a", 2) > HighscoreEntry("b", 2));
}
