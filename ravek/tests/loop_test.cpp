#include "ravek/src/debug.h"
#include "ravek/src/xml.h"

#include "ravek/tests/test_util.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace ravek;
using ravek::xml::LoopData;
using ravek::xml::Node;

namespace {

std::unique_ptr<Node> loopNode(std::map<std::string, std::string> attributes) {
    auto node = std::make_unique<Node>();
    node->name = "loop";
    node->attributes = attributes;
    return node;
}

std::vector<std::string> values(std::unique_ptr<Node> const& node, int group = 30) {
    xml::LoopList loops;
    std::vector<std::string> seen;
    xml::runLoop(node.get(), loops, group,
                 [&] { seen.push_back(xml::substituteLoops("[i]", loops)); });
    EXPECT_TRUE(loops.empty());
    return seen;
}

} // namespace

TEST(Loop, CountsDownWithANegativeStep) {
    EXPECT_EQ((std::vector<std::string>{"3", "2", "1", "0"}),
              values(loopNode({{"var", "i"}, {"from", "3"}, {"to", "0"}, {"step", "-1"}})));
}

TEST(Loop, StepThatDoesNotDivideTheRangeEnds) {
    EXPECT_EQ((std::vector<std::string>{"0", "2", "4"}),
              values(loopNode({{"var", "i"}, {"to", "5"}, {"step", "2"}})));
    EXPECT_EQ((std::vector<std::string>{"5", "2"}),
              values(loopNode({{"var", "i"}, {"from", "5"}, {"to", "0"}, {"step", "-3"}})));
    EXPECT_EQ((std::vector<std::string>{"2147483640"}),
              values(loopNode(
                  {{"var", "i"}, {"from", "2147483640"}, {"to", "2147483647"}, {"step", "100"}})));
}

TEST(Loop, DigitsPadButNeverTruncate) {
    EXPECT_EQ((std::vector<std::string>{"098", "099", "100", "101"}),
              values(loopNode({{"var", "i"}, {"from", "98"}, {"to", "101"}, {"digits", "3"}})));
    EXPECT_EQ((std::vector<std::string>{"99", "100"}),
              values(loopNode({{"var", "i"}, {"from", "99"}, {"to", "100"}, {"digits", "2"}})));
    EXPECT_EQ((std::vector<std::string>{"8", "9"}),
              values(loopNode({{"var", "i"}, {"from", "8"}, {"to", "9"}})));
}

TEST(Loop, BadLoopsAreLoggedAndSkipped) {
    debug::setGroup(30, "test:loop", debug::LEVEL_INFO);
    testutil::LogCapture log;
    EXPECT_TRUE(values(loopNode({{"from", "0"}, {"to", "3"}})).empty());
    EXPECT_TRUE(values(loopNode({{"var", "k"}, {"to", "3"}, {"step", "0"}})).empty());
    EXPECT_TRUE(values(loopNode({{"var", "k"}})).empty());
    EXPECT_TRUE(values(loopNode({{"var", "k"}, {"from", "4"}, {"to", "4"}})).empty());
    EXPECT_TRUE(
        values(loopNode({{"var", "k"}, {"from", "0"}, {"to", "3"}, {"step", "-1"}})).empty());
    EXPECT_TRUE(values(loopNode({{"var", "k"}, {"to", "4294967296"}})).empty());
    EXPECT_EQ("[test:loop] (error) No variable specified for loop. Skipping loop.\n"
              "[test:loop] (error) Step size 0 invalid: k. Skipping loop.\n"
              "[test:loop] (error) Loop range invalid: k [0;0] (step: 1). Skipping loop.\n"
              "[test:loop] (error) Loop range invalid: k [4;4] (step: 1). Skipping loop.\n"
              "[test:loop] (error) Loop range invalid: k [0;3] (step: -1). Skipping loop.\n"
              "[test:loop] (error) Loop value out of range: k. Skipping loop.\n",
              log.text());
}

TEST(Loop, NestedLoopsSubstituteOutermostFirstAndEveryOccurrence) {
    auto outer = loopNode({{"var", "i"}, {"from", "1"}, {"to", "2"}});
    auto inner = loopNode({{"var", "j"}, {"from", "0"}, {"to", "1"}, {"digits", "2"}});
    xml::LoopList loops;
    std::vector<std::string> names;
    xml::runLoop(outer.get(), loops, 30, [&] {
        xml::runLoop(inner.get(), loops, 30, [&] {
            names.push_back(xml::substituteLoops("ship_[i]_[j]_[i][x].png", loops));
        });
    });
    EXPECT_EQ((std::vector<std::string>{"ship_1_00_1[x].png", "ship_1_01_1[x].png",
                                        "ship_2_00_2[x].png", "ship_2_01_2[x].png"}),
              names);
}

TEST(Loop, AnExceptionInTheBodyLeavesNoActiveLoop) {
    auto node = loopNode({{"var", "i"}, {"to", "3"}});
    xml::LoopList loops;
    EXPECT_THROW(xml::runLoop(node.get(), loops, 30, [] { throw std::string("bad"); }),
                 std::string);
    EXPECT_TRUE(loops.empty());
}

TEST(LoopData, AdvanceStopsAtTheEnd) {
    LoopData loop("i", 0, 2, 1, 0);
    EXPECT_TRUE(loop.advance());
    EXPECT_TRUE(loop.advance());
    EXPECT_FALSE(loop.advance());
    EXPECT_EQ(2, loop.current);
    LoopData plain;
    EXPECT_FALSE(plain.advance());
    EXPECT_EQ("0", plain.getString());
}
