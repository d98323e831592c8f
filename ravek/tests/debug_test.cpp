#include "ravek/src/debug.h"
#include "ravek/src/xml.h"

#include "ravek/tests/test_util.h"

#include <gtest/gtest.h>

#include <sstream>
#include <thread>
#include <vector>

using namespace ravek;
using testutil::LogCapture;

TEST(Log, UnknownGroupIsRegisteredAsUndefinedAtInfo) {
    debug::getGroups().erase(7);
    LogCapture log;
    debug::info(7, "hello %d", 5);
    EXPECT_EQ("[undefined] (info) hello 5\n", log.text());
    ASSERT_EQ(1u, debug::getGroups().count(7));
    EXPECT_EQ("undefined", debug::getGroups()[7].name);
    EXPECT_EQ(debug::LEVEL_INFO, debug::getGroups()[7].level);
}

TEST(Log, LevelsAboveTheGroupsLevelAreSilent) {
    debug::setGroup(8, "test:eight", debug::LEVEL_ERROR);
    LogCapture log;
    debug::warning(8, "quiet");
    debug::info(8, "quiet");
    debug::critical(8, "loud");
    debug::error(8, "also");
    EXPECT_EQ("[test:eight] (critical) loud\n[test:eight] (error) also\n", log.text());
}

TEST(Log, DebugMessagesAreNeverEmitted) {
    debug::setGroup(9, "test:nine", debug::LEVEL_DEBUG);
    debug::getGroups().erase(10);
    LogCapture log;
    debug::debug(9, "nothing");
    debug::debug(10, "nothing");
    debug::vmessagef(debug::LEVEL_INFO, 9, nullptr, nullptr);
    EXPECT_EQ("", log.text());
    EXPECT_EQ(0u, debug::getGroups().count(10)) << "debug does not even look the group up";
}

TEST(Log, LevelNamesReadBackToTheirValues) {
    EXPECT_EQ(debug::LEVEL_WARNING, debug::debugLevel("warning"));
    EXPECT_EQ(debug::LEVEL_DEBUG, debug::debugLevel("debug"));
    EXPECT_EQ(debug::LEVEL_NONE, debug::debugLevel("Warning"));
    EXPECT_EQ(debug::LEVEL_NONE, debug::debugLevel(""));
}

TEST(Log, LinesFromTwoThreadsNeverInterleave) {
    debug::setGroup(11, "test:threads", debug::LEVEL_INFO);
    LogCapture log;
    auto writer = [](char c) {
        std::string text(60, c);
        for (int i = 0; i < 300; ++i)
            debug::info(11, "%s", text.c_str());
    };
    std::thread a(writer, 'a');
    std::thread b(writer, 'b');
    writer('c');
    a.join();
    b.join();
    std::istringstream lines(log.text());
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        ++count;
        char c = line.back();
        EXPECT_EQ("[test:threads] (info) " + std::string(60, c), line);
    }
    EXPECT_EQ(900, count);
}

TEST(LogSettings, GroupsTakeTheirLevelsByName) {
    debug::setGroup(20, "quellon:game", debug::LEVEL_DEBUG);
    debug::setGroup(21, "twin", debug::LEVEL_INFO);
    debug::setGroup(22, "twin", debug::LEVEL_INFO);
    testutil::TempDir dir;
    std::string file = dir.write("debug.xml", "<debug>"
                                              "<group name='quellon:game' level='warning'/>"
                                              "<group name='twin' level='loud'/>"
                                              "<group name='nobody' level='error'/>"
                                              "<group name='quellon:game'/>"
                                              "<other name='twin' level='info'/>"
                                              "</debug>");
    size_t before = debug::getGroups().size();
    debug::getGroups().loadSettings(file.c_str());
    EXPECT_EQ(debug::LEVEL_WARNING, debug::getGroups()[20].level);
    EXPECT_EQ(debug::LEVEL_NONE, debug::getGroups()[21].level);
    EXPECT_EQ(debug::LEVEL_NONE, debug::getGroups()[22].level);
    EXPECT_EQ(before, debug::getGroups().size()) << "no group is created from the file";
}

TEST(LogSettings, OtherRootsAndEmptyFilesAreIgnoredButBrokenFilesThrow) {
    debug::setGroup(23, "kept", debug::LEVEL_INFO);
    testutil::TempDir dir;
    debug::getGroups().loadSettings(
        dir.write("a.xml", "<settings><group name='kept' level='none'/></settings>").c_str());
    debug::getGroups().loadSettings(dir.write("b.xml", "").c_str());
    EXPECT_EQ(debug::LEVEL_INFO, debug::getGroups()[23].level);
    EXPECT_THROW(debug::getGroups().loadSettings(dir.write("c.xml", "<debug>").c_str()),
                 std::string);
    EXPECT_THROW(debug::getGroups().loadSettings(dir.file("missing.xml").c_str()), std::string);
}
