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

TEST(LoopWork, LoopsBeyondTheAllowanceAreSkippedBeforeAnyPass) {
    debug::setGroup(30, "test:loop", debug::LEVEL_INFO);
    testutil::LogCapture log;
    EXPECT_TRUE(values(loopNode({{"var", "f"}, {"to", "2147483647"}})).empty());
    // Forty nested loops of two passes each: 2^40 passes in all.
    auto outer = loopNode({{"var", "v0"}, {"to", "1"}});
    Node* tip = outer.get();
    for (int i = 1; i < 40; ++i) {
        Node* inner = new Node;
        inner->name = "loop";
        (*inner)["var"] = "v" + std::to_string(i);
        (*inner)["to"] = "1";
        *tip += inner;
        tip = inner;
    }
    xml::LoopList loops;
    int passes = 0;
    EXPECT_FALSE(xml::runLoop(outer.get(), loops, 30, [&] { ++passes; }));
    EXPECT_EQ(0, passes);
    EXPECT_EQ("[test:loop] (warning) Loop f would read more than the 100000 elements a "
              "description may read through loops. Skipping loop.\n"
              "[test:loop] (warning) Loop v0 would read more than the 100000 elements a "
              "description may read through loops. Skipping loop.\n",
              log.text());
}

TEST(LoopWork, OneDescriptionSharesItsAllowanceAcrossLoopsAndCopies) {
    debug::setGroup(30, "test:loop", debug::LEVEL_NONE);
    auto bodyOf = [](std::unique_ptr<Node> loop, int elements, size_t valueBytes) {
        for (int i = 0; i < elements; ++i) {
            Node* image = new Node;
            image->name = "image";
            (*image)["name"] = std::string(valueBytes, 'n');
            *loop += image;
        }
        return loop;
    };
    // 600 passes of 100 elements: 60,000 of the 100,000.
    auto first = bodyOf(loopNode({{"var", "i"}, {"to", "599"}}), 100, 10);
    xml::LoopList loops;
    EXPECT_TRUE(xml::runLoop(first.get(), loops, 30, [] {}));
    xml::LoopList copy = loops;
    EXPECT_FALSE(xml::runLoop(first.get(), copy, 30, [] {}));
    xml::LoopList another;
    EXPECT_TRUE(xml::runLoop(first.get(), another, 30, [] {}));
    // Long attribute texts count too: each pass copies them.
    auto wordy = bodyOf(loopNode({{"var", "i"}, {"to", "99"}}), 1, 64 * 1000);
    EXPECT_FALSE(xml::runLoop(wordy.get(), loops, 30, [] {}));
}

TEST(Loop, ManyOccurrencesAreSubstitutedInOnePass) {
    xml::LoopList loops;
    LoopData loop("i", 7, 7, 1, 3);
    loops.push_back(&loop);
    std::string text;
    for (int i = 0; i < 200000; ++i)
        text += "[i]";
    std::string result = xml::substituteLoops(text, loops);
    ASSERT_EQ(600000u, result.size());
    EXPECT_EQ("007007", result.substr(0, 6));
}
