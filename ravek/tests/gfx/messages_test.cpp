#include "ravek/src/gfx/messages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using namespace ravek;
using namespace ravek::fonts;

namespace {

// Remembers the texts it was given; draws nothing.
class RecordingFont : public Font {
public:
    std::vector<std::string> printed;

    std::uint8_t getHeight() const override { return 10; }
    std::uint16_t getWidth(char const* text) const override {
        return static_cast<std::uint16_t>(5 * std::strlen(text));
    }
    void print(char const* text) override { printed.push_back(text); }
    void release() override {}
    void load() override {}
};

// Counts its own deletion.
class CountedMessage : public Message {
public:
    CountedMessage(std::string const& text, float time, int* deleted)
        : Message(text, time), deleted(deleted) {}
    ~CountedMessage() override { ++*deleted; }
    int* deleted;
};

// The phases stepped through one toggle at a time, as a check on the blinking arithmetic.
struct ReferenceBlink {
    float phase, on, off;
    bool visible = true;
    void perform(float ms) {
        phase -= ms;
        while (phase < 0.0f) {
            phase += visible ? off : on;
            visible = !visible;
        }
    }
};

} // namespace

TEST(Message, DisappearsInThePerformThatEndsItsTime) {
    Messages messages;
    messages += new Message("hello", 1000.0f);
    messages.perform(600.0f);
    messages.perform(399.0f);
    ASSERT_EQ(1u, messages.size());
    EXPECT_FLOAT_EQ(1.0f, messages.front()->time);
    messages.perform(1.0f);
    EXPECT_TRUE(messages.empty());
}

TEST(Message, WithoutAFontDrawsNothing) {
    Message message("quiet", 100.0f);
    message.draw(basic_Rect<float>(0.0f, 0.0f, 10.0f, 10.0f), JustificationHorizontal::center,
                 JustificationVertical::center);
    Messages messages;
    messages += new Message("quiet", 100.0f);
    messages.draw();
    EXPECT_EQ(nullptr, messages.front()->font);
}

TEST(BlinkMessage, IsShownForOnTimeAndHiddenForOffTimeInTurn) {
    BlinkMessage message("blink", 10000.0f, 200.0f, 100.0f);
    std::vector<bool> seen;
    for (int t = 50; t <= 700; t += 50) {
        message.perform(50.0f);
        seen.push_back(message.visible);
    }
    // 50 .. 200 shown, 250 .. 300 hidden, 350 .. 500 shown, 550 .. 600 hidden, 650 .. 700 shown.
    std::vector<bool> expected = {true, true, true, true,  false, false, true,
                                  true, true, true, false, false, true,  true};
    EXPECT_EQ(expected, seen);
    EXPECT_FLOAT_EQ(9300.0f, message.time);
}

TEST(BlinkMessage, NegativeOffTimeTakesTheOnTime) {
    BlinkMessage message("blink", 1000.0f, 200.0f, -1.0f);
    EXPECT_FLOAT_EQ(200.0f, message.offTime);
    message.perform(201.0f);
    EXPECT_FALSE(message.visible);
    message.perform(199.0f);
    EXPECT_FALSE(message.visible);
    message.perform(1.0f);
    EXPECT_TRUE(message.visible);
}

TEST(BlinkMessage, OneLongStepLandsInTheRightPhase) {
    BlinkMessage message("blink", 1000.0f, 200.0f, 100.0f);
    message.perform(350.0f);
    EXPECT_TRUE(message.visible);
    EXPECT_FLOAT_EQ(150.0f, message.phase);

    BlinkMessage slow("blink", 1.0e9f, 2.0f, 1.0f);
    ReferenceBlink reference{2.0f, 2.0f, 1.0f};
    for (float ms : {0.5f, 7.0f, 3.0f, 100.0f, 2.5f, 1000.0f, 0.0f, 11.0f}) {
        slow.perform(ms);
        reference.perform(ms);
        EXPECT_EQ(reference.visible, slow.visible) << ms;
        EXPECT_FLOAT_EQ(reference.phase, slow.phase) << ms;
    }
    // A very long step does not step through every phase.
    slow.perform(1.0e8f);
    EXPECT_GE(slow.phase, 0.0f);
    EXPECT_LE(slow.phase, 2.0f);
}

TEST(BlinkMessage, WithoutPhaseLengthsStaysVisibleInsteadOfLoopingForever) {
    BlinkMessage message;
    message.perform(16.0f);
    EXPECT_TRUE(message.visible);
    EXPECT_FLOAT_EQ(-16.0f, message.time);

    BlinkMessage negative("never", 100.0f, -5.0f, -1.0f);
    negative.perform(16.0f);
    EXPECT_TRUE(negative.visible);
}

TEST(BlinkMessage, DrawsOnlyWhileVisible) {
    RecordingFont font;
    BlinkMessage message("blink", 1000.0f, 10.0f, 10.0f);
    message.font = &font;
    basic_Rect<float> rect(0.0f, 0.0f, 100.0f, 20.0f);
    message.draw(rect, JustificationHorizontal::center, JustificationVertical::center);
    message.perform(15.0f);
    message.draw(rect, JustificationHorizontal::center, JustificationVertical::center);
    message.perform(10.0f);
    message.draw(rect, JustificationHorizontal::center, JustificationVertical::center);
    EXPECT_EQ(2u, font.printed.size());
}

TEST(Messages, StartEmpty) {
    Messages messages;
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(nullptr, messages.font);
    EXPECT_FALSE(messages.multiple);
    EXPECT_EQ(basic_Rect<float>(), messages.rect);
}

TEST(Messages, AddingASecondMessageDeletesTheFirstUnlessMultiple) {
    int deleted = 0;
    Messages messages;
    messages += new CountedMessage("one", 100.0f, &deleted);
    messages += new CountedMessage("two", 100.0f, &deleted);
    EXPECT_EQ(1, deleted);
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ("two", messages.front()->text);

    messages.multiple = true;
    messages += new CountedMessage("three", 100.0f, &deleted);
    EXPECT_EQ(2u, messages.size());
    EXPECT_EQ(1, deleted);
}

TEST(Messages, AddingNullOrAHeldMessageChangesNothing) {
    int deleted = 0;
    Messages messages;
    auto* message = new CountedMessage("one", 100.0f, &deleted);
    messages += message;
    messages += message;
    messages += nullptr;
    EXPECT_EQ(1u, messages.size());
    EXPECT_EQ(0, deleted);
}

TEST(Messages, MessagesWithoutAFontGetTheListsFont) {
    RecordingFont listFont, ownFont;
    Messages messages;
    messages.multiple = true;
    messages.font = &listFont;
    messages += new Message("plain", 100.0f);
    auto* own = new Message("own", 100.0f);
    own->font = &ownFont;
    messages += own;
    EXPECT_EQ(&listFont, messages.front()->font);
    EXPECT_EQ(&ownFont, messages.back()->font);
}

TEST(Messages, PerformPurgesExpiredMessagesAndKeepsTheOrder) {
    int deleted = 0;
    Messages messages;
    messages.multiple = true;
    messages += new CountedMessage("a", 100.0f, &deleted);
    messages += new CountedMessage("b", 50.0f, &deleted);
    messages += new CountedMessage("c", 200.0f, &deleted);
    messages += new CountedMessage("d", 50.0f, &deleted);
    messages.perform(50.0f);
    EXPECT_EQ(2, deleted);
    ASSERT_EQ(2u, messages.size());
    EXPECT_EQ("a", messages.front()->text);
    EXPECT_EQ("c", messages.back()->text);
}

TEST(Messages, DrawPrintsEachShownMessageInOrder) {
    RecordingFont font;
    Messages messages;
    messages.multiple = true;
    messages.font = &font;
    messages.rect = basic_Rect<float>(0.0f, 0.0f, 100.0f, 40.0f);
    messages += new Message("first", 100.0f);
    messages += new BlinkMessage("hidden", 100.0f, 10.0f, 50.0f);
    messages += new Message("second", 100.0f);
    messages.draw();
    EXPECT_EQ((std::vector<std::string>{"first", "hidden", "second"}), font.printed);
    font.printed.clear();
    messages.perform(20.0f);
    messages.draw();
    EXPECT_EQ((std::vector<std::string>{"first", "second"}), font.printed);
}

TEST(Messages, ClearAndTheDestructorDeleteEveryMessage) {
    int deleted = 0;
    {
        Messages messages;
        messages.multiple = true;
        messages += new CountedMessage("a", 100.0f, &deleted);
        messages += new CountedMessage("b", 100.0f, &deleted);
        messages.clear();
        EXPECT_EQ(2, deleted);
        EXPECT_TRUE(messages.empty());
        messages += new CountedMessage("c", 100.0f, &deleted);
    }
    EXPECT_EQ(3, deleted);
}
