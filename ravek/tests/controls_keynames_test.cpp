#include "ravek/src/controls_keynames.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace ravek;

namespace {

SDLKey key(int value) {
    return static_cast<SDLKey>(value);
}

std::string invalid(std::string const& text) {
    try {
        strTo<SDLKey>(text);
    } catch (std::string thrown) {
        return thrown;
    }
    return "(no exception)";
}

} // namespace

TEST(KeyNames, TableHasItsRowsAndIsAnExactInverseInBothDirections) {
    auto const& names = getKeyNameMap();
    auto const& keys = getNameKeyMap();
    EXPECT_EQ(133u, names.size());
    EXPECT_EQ(133u, keys.size()) << "names are unique";
    for (auto const& entry : names) {
        EXPECT_FALSE(entry.second.empty()) << entry.first;
        EXPECT_EQ(entry.first, strTo<SDLKey>(entry.second)) << entry.second;
    }
    for (auto const& entry : keys)
        EXPECT_EQ(entry.first, toStr<SDLKey>(entry.second)) << entry.first;
}

// The whole table, written out once more by hand; every key value from 0 to 511 is checked.
TEST(KeyNames, EveryKeyHasExactlyTheNameOfTheTable) {
    std::map<int, std::string> expected = {
        {8, "backspace"},
        {9, "tab"},
        {12, "clear"},
        {13, "return"},
        {19, "pause"},
        {27, "esc"},
        {32, "space"},
        {33, "!"},
        {34, "\""},
        {35, "#"},
        {36, "$"},
        {38, "&"},
        {39, "'"},
        {40, "("},
        {41, ")"},
        {42, "*"},
        {43, "+"},
        {44, ","},
        {45, "-"},
        {46, "."},
        {47, "/"},
        {58, ":"},
        {59, ";"},
        {60, "<"},
        {61, "="},
        {62, ">"},
        {63, "?"},
        {64, "@"},
        {91, "["},
        {92, "\\"},
        {93, "}"},
        {94, "^"},
        {95, "_"},
        {96, "`"},
        {127, "del"},
        {266, "pad_."},
        {267, "pad_/"},
        {268, "pad_*"},
        {269, "pad_-"},
        {270, "pad_+"},
        {271, "enter"},
        {272, "pad_="},
        {273, "up"},
        {274, "down"},
        {275, "right"},
        {276, "left"},
        {277, "ins"},
        {278, "home"},
        {279, "end"},
        {280, "pgup"},
        {281, "pgdn"},
        {300, "numlock"},
        {301, "capslock"},
        {302, "scrollock"},
        {303, "rshift"},
        {304, "lshift"},
        {305, "rctrl"},
        {306, "lctrl"},
        {307, "ralt"},
        {308, "lalt"},
        {309, "rmeta"},
        {310, "lmeta"},
        {311, "lwin"},
        {312, "rwin"},
        {313, "mode"},
        {315, "help"},
        {316, "printscreen"},
        {317, "sysrq"},
        {318, "break"},
        {319, "menu"},
        {320, "power"},
        {321, "euro"},
    };
    for (char digit = '0'; digit <= '9'; ++digit) {
        expected[digit] = std::string(1, digit);
        expected[256 + digit - '0'] = std::string("pad_") + digit;
    }
    for (char letter = 'a'; letter <= 'z'; ++letter)
        expected[letter] = std::string(1, letter);
    for (int f = 1; f <= 15; ++f)
        expected[281 + f] = "f" + std::to_string(f);
    ASSERT_EQ(133u, expected.size());
    for (int value = 0; value < 512; ++value) {
        auto it = expected.find(value);
        EXPECT_EQ(it == expected.end() ? "" : it->second, toStr<SDLKey>(key(value))) << value;
    }
}

TEST(KeyNames, NamesAreMatchedExactlyAndUnknownOnesThrowTheirText) {
    EXPECT_EQ(276, strTo<SDLKey>("left"));
    EXPECT_EQ("LEFT is no valid key identifier.", invalid("LEFT"));
    EXPECT_EQ(" is no valid key identifier.", invalid(""));
    EXPECT_EQ(93, strTo<SDLKey>("}"));
    EXPECT_EQ("] is no valid key identifier.", invalid("]"));
    EXPECT_EQ(13, strTo<SDLKey>("return"));
    EXPECT_EQ(271, strTo<SDLKey>("enter"));
    EXPECT_EQ("escape is no valid key identifier.", invalid("escape"));
}
