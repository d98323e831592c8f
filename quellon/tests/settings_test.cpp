// The settings file as the hub reads and writes it: missing, partial, hand-edited and saved
// files, and the players' default controls.
#include "quellon/tests/hub_util.h"

#include "quellon/src/settings.h"

#include "ravek/src/xml.h"

#include <set>

#include <sys/stat.h>

using qtest::has;
using qtest::trigger;
using quellon::Resources;

namespace {

std::string settingsFile(std::string const& body) {
    return "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?>\n<settings>" + body + "</settings>\n";
}

std::set<SDLKey> keys(ravek::InputEvaluator* e) {
    std::set<SDLKey> result;
    for (ravek::KeyTranslator* t : e->keyTranslators)
        result.insert(t->key);
    return result;
}

// Every binding of the three players as text.
std::string bindings(Resources& r) {
    ravek::InputEvaluator* evaluators[quellon::CONTROL_GROUPS];
    r.playerEvaluators(evaluators);
    std::string text;
    for (ravek::InputEvaluator* e : evaluators)
        for (auto& entry : e->resources)
            text += entry.first + ":" + entry.second->keysToString(0) + "|" +
                    entry.second->joyToString(0, 0) + "\n";
    return text;
}

} // namespace

TEST(Settings, MissingFileGivesDefaultsAndSavingWritesEverySection) {
    qtest::WorkDir dir;
    testutil::LogCapture log;
    Resources r;
    EXPECT_TRUE(has(log.text(), "Could not load settings: "));
    // The defaults, as saved.
    ASSERT_TRUE(r.saveSettings());
    std::string saved = dir.read("settings.xml");
    for (char const* part :
         {"<screen fullscreen=\"true\" xRes=\"800\" yRes=\"600\"/>",
          "<sound volumeMusic=\"100\" volumeSfx=\"70\"/>", "<controls name=\"single\">",
          "<controls name=\"multi 1\">", "<controls name=\"multi 2\">", "<trigger name=\"fire\">"})
        EXPECT_TRUE(has(saved, part));
}

TEST(Settings, PartialFilesChangeOnlyWhatTheyName) {
    qtest::WorkDir dir;
    dir.write("settings.xml", settingsFile("<sound volumeSfx=\"30\"/>"
                                           "<controls name=\"single\"><trigger name=\"fire\">"
                                           "<keyTranslator key=\"f\"/></trigger></controls>"
                                           "<controls name=\"multi 3\"><trigger name=\"fire\">"
                                           "<keyTranslator key=\"g\"/></trigger></controls>"
                                           "<unknown/>"));
    testutil::LogCapture log;
    Resources r;
    EXPECT_TRUE(has(log.text(), "Unknown control group \"multi 3\"."));
    EXPECT_EQ(30, r.settings.volumeSfx);
    EXPECT_EQ(100, r.settings.volumeMusic);
    EXPECT_EQ(800, r.settings.xRes);
    EXPECT_TRUE(r.settings.fullscreen);
    EXPECT_EQ("f", trigger(r.evaluatorGamePlayerSingle, "fire")->keysToString(0));
    EXPECT_EQ("", trigger(r.evaluatorGamePlayerSingle, "fire")->joyToString(0, 0));
    EXPECT_EQ("left", trigger(r.evaluatorGamePlayerSingle, "x")->keysToString(-1));
    EXPECT_EQ("c", trigger(r.evaluatorGamePlayerSingle, "timewarp")->keysToString(0));
    EXPECT_EQ(0u, keys(r.evaluatorGamePlayerMulti[0]).count(SDLK_g));
    EXPECT_EQ(0u, keys(r.evaluatorGamePlayerMulti[1]).count(SDLK_g));
}

TEST(Settings, HandEditedValuesOutOfRangeAreMendedWithAWarning) {
    qtest::WorkDir dir;
    dir.write("settings.xml", settingsFile("<screen xRes=\"0\" yRes=\"40000\" fullscreen=\"0\"/>"
                                           "<sound volumeSfx=\"5000\" volumeMusic=\"-3\"/>"));
    testutil::LogCapture log;
    Resources r;
    EXPECT_EQ(800, r.settings.xRes);
    EXPECT_EQ(600, r.settings.yRes);
    EXPECT_FALSE(r.settings.fullscreen);
    EXPECT_EQ(100, r.settings.volumeSfx);
    EXPECT_EQ(0, r.settings.volumeMusic);
    std::string text = log.text();
    for (char const* value : {"xRes 0", "yRes 40000", "volumeSfx 5000", "volumeMusic -3"})
        EXPECT_TRUE(has(text, value));
}

TEST(Settings, MultiplayerPlayersShareNoKeyOrJoystickByDefault) {
    qtest::WorkDir dir;
    Resources r;
    std::set<SDLKey> one = keys(r.evaluatorGamePlayerMulti[0]);
    std::set<SDLKey> two = keys(r.evaluatorGamePlayerMulti[1]);
    for (SDLKey key : one)
        EXPECT_EQ(0u, two.count(key)) << ravek::toStr<SDLKey>(key);
    for (auto* e : r.evaluatorGamePlayerMulti) {
        for (char const* name : {"x", "y", "fire", "shield", "timewarp"})
            EXPECT_NE("", trigger(e, name)->keysToString(0)) << name;
    }
    EXPECT_EQ("right", trigger(r.evaluatorGamePlayerMulti[0], "x")->keysToString(1));
    EXPECT_EQ("a", trigger(r.evaluatorGamePlayerMulti[1], "x")->keysToString(-1));
    for (auto* t : r.evaluatorGamePlayerMulti[0]->joyButtonTranslators)
        EXPECT_EQ(0, t->joystick);
    for (auto* t : r.evaluatorGamePlayerMulti[1]->joyButtonTranslators)
        EXPECT_EQ(1, t->joystick);
    // The single player keeps the data set's own bindings.
    EXPECT_EQ("space", trigger(r.evaluatorGamePlayerSingle, "fire")->keysToString(0));
}

TEST(Settings, SavedFileReadsBackToTheSameBindings) {
    qtest::WorkDir dir;
    std::string before;
    {
        Resources r;
        ravek::Trigger* fire = trigger(r.evaluatorGamePlayerMulti[1], "fire");
        fire->clearKeyTranslators(0);
        new ravek::KeyTranslator(fire, SDLK_TAB, ravek::KS_DEFAULT, 1.0f);
        r.settings.volumeMusic = 0;
        r.settings.xRes = 1024;
        before = bindings(r);
        ASSERT_TRUE(r.saveSettings());
    }
    Resources r;
    EXPECT_EQ(before, bindings(r));
    EXPECT_EQ("tab", trigger(r.evaluatorGamePlayerMulti[1], "fire")->keysToString(0));
    EXPECT_EQ(0, r.settings.volumeMusic);
    EXPECT_EQ(1024, r.settings.xRes);
}

TEST(Settings, FilesThatCannotBeWrittenAreReportedByTheGame) {
    qtest::WorkDir dir;
    Resources r;
    // A directory in the file's place: the finished file cannot replace it.
    ASSERT_EQ(0, mkdir(dir.file("settings.xml").c_str(), 0755));
    ASSERT_EQ(0, mkdir(dir.file("highscores.xml").c_str(), 0755));
    testutil::LogCapture log;
    EXPECT_FALSE(r.saveSettings());
    EXPECT_FALSE(r.saveHighscores());
    EXPECT_TRUE(has(log.text(), "(error) Could not save the settings: \"settings.xml\" was not "
                                "written."));
    EXPECT_TRUE(has(log.text(), "(error) Could not save highscores: \"highscores.xml\" was not "
                                "written."));
}

TEST(Settings, UnreadableFilesAreMovedAsideBeforeAnythingReplacesThem) {
    qtest::WorkDir dir;
    std::string cut = settingsFile("<sound volumeSfx=\"30\"/>").substr(0, 70);
    dir.write("settings.xml", cut);
    dir.write("settings.xml.damaged", "kept before");
    // There, but nothing to read.
    ASSERT_EQ(0, mkdir(dir.file("highscores.xml").c_str(), 0755));
    {
        testutil::LogCapture log;
        Resources r;
        r.loadHighscores();
        std::string text = log.text();
        EXPECT_TRUE(has(text, "(warning) Could not load settings: "));
        EXPECT_TRUE(has(text, "(warning) Could not load highscores: "));
        EXPECT_TRUE(has(text, "\"settings.xml.damaged.1\""));
        EXPECT_TRUE(has(text, "\"highscores.xml.damaged\""));
        EXPECT_EQ(70, r.settings.volumeSfx);
        ASSERT_TRUE(r.saveSettings());
        ASSERT_TRUE(r.saveHighscores());
    }
    EXPECT_EQ(cut, dir.read("settings.xml.damaged.1"));
    EXPECT_EQ("kept before", dir.read("settings.xml.damaged"));
    struct stat status;
    EXPECT_TRUE(stat(dir.file("highscores.xml.damaged").c_str(), &status) == 0 &&
                S_ISDIR(status.st_mode));

    // A high-score file of another kind and a damaged settings file, with every name to keep
    // them under taken: they stay, and nothing is written over them. A missing one is a first
    // start.
    qtest::WorkDir again;
    std::string foreign = "<scores><entry name=\"Ann\" score=\"5\"/></scores>";
    again.write("highscores.xml", foreign);
    again.write("settings.xml", cut);
    for (char const* name : {"highscores.xml", "settings.xml"})
        for (int i = 0; i < 100; ++i)
            again.write(name + std::string(".damaged") + (i ? "." + std::to_string(i) : ""), "");
    Resources r;
    testutil::LogCapture log;
    r.loadHighscores();
    EXPECT_EQ(100000u, r.highscores.singleA[0].score);
    EXPECT_FALSE(r.saveHighscores());
    EXPECT_FALSE(r.saveSettings());
    EXPECT_EQ(foreign, again.read("highscores.xml"));
    EXPECT_EQ(cut, again.read("settings.xml"));
    ASSERT_EQ(0, unlink(again.file("highscores.xml").c_str()));
    r.loadHighscores();
    EXPECT_TRUE(r.saveHighscores());
    std::string text = log.text();
    EXPECT_TRUE(has(text, "(warning) Could not load highscores: \"highscores.xml\" is no "));
    EXPECT_TRUE(has(text, "(info) Could not load highscores: Could not open"));
}
