#include "ravek/src/buildinfo.h"
#include "ravek/src/files.h"
#include "ravek/src/math.h"
#include "ravek/src/tools.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cctype>

using namespace ravek;

TEST(Conversion, IntReadsLeadingDigitsAndThrowsTheTextWithoutThem) {
    EXPECT_EQ(12, strTo<int>("12abc"));
    EXPECT_FLOAT_EQ(2.5f, strTo<float>(" 2.5"));
    try {
        strTo<int>("abc");
        FAIL() << "no throw";
    } catch (std::string const& text) {
        EXPECT_EQ("abc", text);
    }
    EXPECT_THROW(strTo<float>(""), std::string);
}

TEST(Conversion, TextOfNumbersUsesDefaultStreamFormat) {
    EXPECT_EQ("0.1", toStr<float>(0.1f));
    EXPECT_EQ("1e+07", toStr<float>(1e7f));
    EXPECT_EQ("-3", toStr<long>(-3L));
    EXPECT_EQ("42", toStr(42, 0, 'x'));
    EXPECT_EQ("007", toStr(7, 3, '0'));
    EXPECT_EQ("0-7", toStr(-7, 3, '0'));
    EXPECT_EQ("1234", toStr(1234, 2, '0'));
}

TEST(Math, ClampAndRound) {
    EXPECT_EQ(5, clamp(7, 0, 5));
    EXPECT_EQ(0, clamp(-2, 0, 5));
    EXPECT_EQ(3, clamp(3, 0, 5));
    EXPECT_EQ(10, clamp(1, 10, 0)); // low above high: below low yields low
    EXPECT_EQ(3, (round<int, float>(2.5f)));
    EXPECT_EQ(-1, (round<int, float>(-1.7f)));
    EXPECT_EQ(-2, (round<int, float>(-2.5f)));
    EXPECT_EQ(2u, min(2u, 9u));
    EXPECT_EQ(9, max(2, 9));
}

TEST(Random, DrawsStayWithinTheirStatedBounds) {
    std::srand(1);
    bool sawMax = false;
    for (int i = 0; i < 200000; ++i) {
        int die = random_int(1, 6);
        ASSERT_GE(die, 1);
        ASSERT_LE(die, 6);
        int upTo = random(3);
        ASSERT_GE(upTo, 0);
        ASSERT_LE(upTo, 3);
        float f = random(10.0f);
        ASSERT_GE(f, 0.0f);
        ASSERT_LE(f, 10.0f);
        sawMax = sawMax || f == 10.0f;
        float g = random(-2.0f, 2.0f);
        ASSERT_GE(g, -2.0f);
        ASSERT_LE(g, 2.0f);
        int r = rand15();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, 32767);
    }
    EXPECT_TRUE(sawMax) << "random(max) can reach max";
}

TEST(Random, WeightedChoicePicksTheFirstIndexWhoseRunningSumReachesTheDraw) {
    float weights[3] = {0.2f, 0.3f, 0.5f};
    EXPECT_EQ(1, chooseByWeight(3, weights, 0.25f));
    EXPECT_EQ(0, chooseByWeight(3, weights, 0.2f));
    EXPECT_EQ(2, chooseByWeight(3, weights, 0.9f));
}

TEST(Random, WeightedChoiceNeverPassesTheLastWeightOnRounding) {
    // Weights normalised in float may sum to just below 1.
    float weights[5] = {0.1f, 0.2f, 0.3f, 0.4f, 0.0f};
    EXPECT_EQ(3, chooseByWeight(5, weights, 1.0f));
    float zeros[3] = {0, 0, 0};
    EXPECT_EQ(3, chooseByWeight(3, zeros, 0.5f));
    std::srand(7);
    for (int i = 0; i < 10000; ++i)
        ASSERT_LT(randomProb(5, weights), 4);
}

struct Entry {
    std::string name;
    unsigned score = 0;
};

TEST(HighscoreTable, EqualScoresStayAboveAndTheLastRowDropsOut) {
    HighscoreTable<Entry, 10> table;
    unsigned scores[10] = {100, 90, 80, 70, 60, 50, 40, 30, 20, 10};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(i, table.add({"p", scores[i]}));
    EXPECT_EQ(-1, table.add({"low", 10}));
    EXPECT_EQ(10u, table[9].score);
    EXPECT_EQ(0, table.add({"top", 1000}));
    EXPECT_EQ("top", table[0].name);
    EXPECT_EQ(20u, table[9].score);
    EXPECT_EQ(3, table.add({"tie", 90})); // below the 90 already there
    EXPECT_EQ("p", table[2].name);
    EXPECT_EQ("tie", table[3].name);
}

TEST(SysDirManager, OnlyTheDataKindYieldsTheDataPath) {
    SysDirManager dirs("quellon", 1);
    EXPECT_EQ("", dirs.getDir(SYSDIR_DATA));
    dirs.dataPath = "resources/";
    EXPECT_EQ("resources/", dirs.getDir(SYSDIR_DATA));
    EXPECT_EQ("", dirs.getDir(SYSDIR_SETTINGS));
    EXPECT_EQ("", dirs.getDir(SYSDIR_HIGHSCORES));
    EXPECT_EQ("resources/", dirs.getSubDir(SYSDIR_DATA, "sub", true));
    EXPECT_FALSE(mkdirs("x/y"));
}

TEST(Version, FullVersionCarriesTheBuildDateAndTime) {
    EXPECT_EQ("1.0", getVersion());
    // "1.0 (Sep  2 2006, 14:03:27)": '9' stands for a digit, '_' for a space or digit.
    std::string form = "1.0 (Aaa _9 9999, 99:99:99)";
    std::string text = getFullVersion();
    ASSERT_EQ(form.size(), text.size()) << text;
    for (size_t i = 0; i < form.size(); ++i) {
        char f = form[i], c = text[i];
        bool ok = f == '9'   ? std::isdigit(static_cast<unsigned char>(c))
                  : f == '_' ? c == ' ' || std::isdigit(static_cast<unsigned char>(c))
                  : f == 'A' ? std::isupper(static_cast<unsigned char>(c))
                  : f == 'a' ? std::islower(static_cast<unsigned char>(c))
                             : c == f;
        EXPECT_TRUE(ok) << text << " at " << i;
    }
}
