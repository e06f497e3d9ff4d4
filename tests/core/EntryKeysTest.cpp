// The entry line: the key-press tables of the five states and the key-down table.

#include <string>

#include "CoreFixture.h"

namespace quorva::test {
namespace {

using EntryKeys = CoreTest;

TEST_F(EntryKeys, KeyPressTablesOfEveryState) {
    constexpr EntryState I = EntryState::Idle, N = EntryState::Decimal, X = EntryState::Hex,
                         B = EntryState::Binary, C = EntryState::Command;
    const std::string ones(33, '1');
    const struct { std::string keys, entry; EntryState state; } rows[] = {  // "\b" Backspace
        {",", ".", N}, {"1.\b.", "1.", N},  // Backspace gave the point back
        {"1.\b", "1", N}, {"12o", "-12", N}, {"12oo", "12", N}, {"1.5o", "-1.5", N},
        {"7A ", "7", N},  // unknown characters ignored
        {"&ff", "&&ff", X}, {"&123456789", "&&12345678", X},  // ninth digit ignored
        {"&A", "&&", X},                                      // upper case ignored
        {"&c.,", "&&c", X},                                   // "c" is a digit here
        {"&\b", "", I}, {"&f\b", "&&", X}, {"'1012", "'101", B},
        {"'" + ones, "'" + ones.substr(1), B},  // 32 digits at most
        {"'1\b\b", "", I}, {"l", "l", C}, {";+1", ";", C},  // "+" and digits ignored in a word
        {";\b", "", I}, {"A \b", "", I},                     // idle ignores these
    };
    for (const auto& r : rows) {
        Type("\x1b" + r.keys);
        SCOPED_TRACE(r.keys);
        ExpectEntry(r.entry, r.state);
    }
    EXPECT_EQ(calc.Stack().StackCount(), 0);
}

TEST_F(EntryKeys, CharactersThatEndANumberPushItFirst) {
    Type("&ff+");
    EXPECT_EQ(ran, std::vector<std::string>{"+"});
    EXPECT_EQ(calc.EntryCaption(), "+ ran");
    Type("12'1&a");  // decimal ended by "'", binary ended by "&"
    EXPECT_EQ(calc.EntryText(), "&&a");
    Type("\b\b'1o");  // in binary "o" ends the number and starts the word "o"
    EXPECT_EQ(calc.EntryCaption(), "o ...unknown function");
    EXPECT_EQ(Texts(), (T{"&&FF", "12.000000000000000", "'1", "'1"}));
}

TEST_F(EntryKeys, EnterAndCopyTakeTheSelectedRowOnlyWhileTheLargeStackIsShown) {
    host.clipboard = "42";
    Key(kKeyC, kShiftCtrl);  // nothing to copy
    Push({1, 2});
    Key(kKeyC, 0);  // not without Ctrl
    EXPECT_EQ(host.clipboard, "42");
    calc.Stack().Push(kKindHex, 255);
    calc.SetLargeSelected(0);
    Key(kKeyC, kShiftCtrl);
    EXPECT_EQ(host.clipboard, "&&FF");
    Type("\r");
    host.largeShown = true;
    calc.SetLargeSelected(0);
    Key(kKeyC, kShiftCtrl);
    EXPECT_EQ(host.clipboard, "1.000000000000000");
    Type("\r");
    EXPECT_EQ(Texts(), (T{"1.000000000000000", "2.000000000000000", "&&FF", "&&FF",
                          "1.000000000000000"}));
}

TEST_F(EntryKeys, ArrowsShowTheLargeStackAndMoveWithinItsRowsEscapeSelectsTheTop) {
    Push({1, 2, 3});
    for (int i = 0; i < 3; ++i) Key(kKeyUp);
    EXPECT_TRUE(host.largeShown);
    EXPECT_EQ(calc.LargeSelected(), 0);
    Type("\x1b");  // idle: the top row
    EXPECT_EQ(calc.LargeSelected(), 2);
    Key(kKeyDown);
    EXPECT_TRUE(host.largeShown);  // shown stays shown
    EXPECT_EQ(calc.LargeSelected(), 2);
    calc.KeyDown(kKeyUp, 0, KeyWindow::LargeStack);  // the list moves by itself there
    EXPECT_EQ(calc.LargeSelected(), 2);
}

}  // namespace
}  // namespace quorva::test
