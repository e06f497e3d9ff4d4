// The entry line: the key-press tables of the five states and the key-down table.

#include <string>

#include "CoreFixture.h"
#include "Errors.h"

namespace quorva::test {
namespace {

using EntryKeys = CoreTest;

struct TypedRow {
    const char* keys;  // "\b" is Backspace
    std::string entry;
    EntryState state;
    bool positive, hasPoint;
};

TEST_F(EntryKeys, KeyPressTablesOfEveryState) {
    const TypedRow rows[] = {
        {"12.5.3", "12.53", EntryState::Decimal, true, true},  // second separator ignored
        {"3,5", "3.5", EntryState::Decimal, true, true},
        {",", ".", EntryState::Decimal, true, true},
        {"1.\b.", "1.", EntryState::Decimal, true, true},  // Backspace gave the point back
        {"1.\b", "1", EntryState::Decimal, true, false},
        {"12o", "-12", EntryState::Decimal, false, false},
        {"12oo", "12", EntryState::Decimal, true, false},
        {"1.5o", "-1.5", EntryState::Decimal, false, true},
        {"7A ", "7", EntryState::Decimal, true, false},  // unknown characters ignored
        {"&ff", "&&ff", EntryState::Hex, false, false},
        {"&123456789", "&&12345678", EntryState::Hex, false, false},  // ninth digit ignored
        {"&A", "&&", EntryState::Hex, false, false},                  // upper case ignored
        {"&c.,", "&&c", EntryState::Hex, false, false},               // "c" is a digit here
        {"&\b", "", EntryState::Idle, false, false},
        {"&f\b", "&&", EntryState::Hex, false, false},
        {"'1012", "'101", EntryState::Binary, false, false},
        {"'1\b\b", "", EntryState::Idle, false, false},
        {"l", "l", EntryState::Command, false, false},
        {";+1", ";", EntryState::Command, false, false},  // "+" and digits ignored in a word
        {";\b", "", EntryState::Idle, false, false},
        {"A \b", "", EntryState::Idle, false, false},  // idle ignores these
    };
    for (const TypedRow& r : rows) {
        calc.Form_KeyDown(kKeyEscape, 0);  // back to idle between rows
        Type(r.keys);
        SCOPED_TRACE(r.keys);
        EXPECT_EQ(calc.EntryText(), r.entry);
        EXPECT_EQ(calc.EntryCaption(), r.entry);
        EXPECT_EQ(calc.State(), r.state);
        if (r.state == EntryState::Decimal) {
            EXPECT_EQ(calc.EntryPositive(), r.positive);
            EXPECT_EQ(calc.EntryHasPoint(), r.hasPoint);
        }
    }
    EXPECT_EQ(calc.Stack().StackCount(), 0);
}

TEST_F(EntryKeys, BinaryEntryHoldsAtMost32Digits) {
    Type("'" + std::string(33, '1'));
    EXPECT_EQ(calc.EntryText(), "'" + std::string(32, '1'));
}

TEST_F(EntryKeys, CharactersThatEndANumberPushItFirst) {
    Type("&ff+");
    ASSERT_EQ(calc.Stack().StackCount(), 1);
    EXPECT_EQ(calc.Stack().ItemRef(1).kind, kKindHex);
    EXPECT_EQ(calc.Stack().ItemRef(1).value, 255);
    EXPECT_EQ(ran, std::vector<std::string>{"+"});
    EXPECT_EQ(calc.EntryCaption(), "+ ran");

    Type("12'1&a");  // decimal ended by "'", binary ended by "&"
    ASSERT_EQ(calc.Stack().StackCount(), 3);
    EXPECT_EQ(calc.Stack().ItemRef(2).kind, kKindDecimal);
    EXPECT_EQ(calc.Stack().ItemRef(3).kind, kKindBinary);
    EXPECT_EQ(calc.EntryText(), "&&a");

    Type("\b\b'1o");  // in binary "o" ends the number and starts the word "o"
    EXPECT_EQ(calc.Stack().StackCount(), 4);
    EXPECT_EQ(calc.EntryCaption(), "o ...unknown function");
    EXPECT_EQ(calc.State(), EntryState::Idle);
}

TEST_F(EntryKeys, ImmediateLettersLeaveTheTypedNumber) {
    PushDecimals({1, 2, 3});
    Type("5d");
    EXPECT_EQ(Values(), (std::vector<double>{1, 2}));
    Type("s");
    EXPECT_EQ(Values(), (std::vector<double>{2, 1}));
    Type("c");
    EXPECT_EQ(calc.Stack().StackCount(), 0);
    Type("u");
    EXPECT_EQ(Values(), (std::vector<double>{2, 1}));
    EXPECT_EQ(calc.EntryText(), "5");
    EXPECT_EQ(calc.State(), EntryState::Decimal);
    Key(kKeyDelete);  // Delete too
    EXPECT_EQ(Values(), (std::vector<double>{2}));
    EXPECT_EQ(calc.EntryText(), "5");
}

TEST_F(EntryKeys, WordsRunThroughTheMatcher) {
    PushDecimals({4});
    Type("l");
    EXPECT_EQ(calc.State(), EntryState::Command);
    EXPECT_TRUE(ran.empty());
    Type("n");
    EXPECT_EQ(ran, std::vector<std::string>{"ln"});
    EXPECT_EQ(calc.State(), EntryState::Idle);
    EXPECT_TRUE(calc.TimerRunning());
    Type("x");
    EXPECT_EQ(calc.EntryCaption(), "x ...unknown function");
    EXPECT_EQ(calc.EntryText(), "");
}

TEST_F(EntryKeys, WithoutTheCommandLayerEveryWordIsUnknown) {
    Calculator bare(host, options);
    bare.Form_KeyPress('+');
    EXPECT_EQ(bare.EntryCaption(), "+ ...unknown function");
    bare.Form_KeyDown(kKeyF3, 0);  // no hook: nothing happens
    EXPECT_EQ(bare.State(), EntryState::Idle);
}

TEST_F(EntryKeys, EnterPushesDuplicatesOrPushesZero) {
    Enter();
    ASSERT_EQ(calc.Stack().StackCount(), 1);
    EXPECT_EQ(calc.Stack().ItemRef(1).text, "0.000000000000000");
    Type("7");
    Enter();
    Enter();
    EXPECT_EQ(Values(), (std::vector<double>{0, 7, 7}));
    EXPECT_EQ(calc.State(), EntryState::Idle);
}

TEST_F(EntryKeys, EnterAndCopyUseTheSelectedRowWhileTheLargeStackIsShown) {
    PushDecimals({1, 2, 3});
    host.largeShown = true;
    calc.SetLargeSelected(0);
    Key(kKeyC, kShiftCtrl);
    EXPECT_EQ(host.clipboard, "1.000000000000000");
    Enter();
    EXPECT_EQ(Values(), (std::vector<double>{1, 2, 3, 1}));

    // Decision: no row selected acts on the top item.
    calc.SetLargeSelected(-1);
    Key(kKeyC, kShiftCtrl);
    EXPECT_EQ(host.clipboard, "1.000000000000000");
    calc.Stack().Push(kKindHex, 255);
    calc.SetLargeSelected(-1);
    Key(kKeyC, kShiftCtrl);
    EXPECT_EQ(host.clipboard, "&&FF");
    Enter();
    EXPECT_EQ(calc.Stack().StackCount(), 6);
    EXPECT_EQ(calc.Stack().ItemRef(6).kind, kKindHex);

    // Hidden window: the top item, whatever row is selected.
    host.largeShown = false;
    calc.SetLargeSelected(0);
    host.clipboard.clear();
    Key(kKeyC, kShiftCtrl);
    EXPECT_EQ(host.clipboard, "&&FF");
}

TEST_F(EntryKeys, ClipboardKeysNeedExactlyCtrl) {
    PushDecimals({1});
    host.clipboard = "42";
    Key(kKeyC, kShiftCtrl | 1);
    Key(kKeyV, kShiftCtrl | 1);
    Key(kKeyC, 0);
    EXPECT_EQ(host.clipboard, "42");
    EXPECT_EQ(calc.EntryText(), "");
    Key(kKeyV, kShiftCtrl);
    EXPECT_EQ(calc.EntryText(), "42");
    calc.Stack().Clear();
    Key(kKeyC, kShiftCtrl);  // empty stack: clipboard untouched
    EXPECT_EQ(host.clipboard, "42");
}

TEST_F(EntryKeys, EscapeDropsTheEntryOrSelectsTheTopRow) {
    PushDecimals({1, 2});
    calc.SetLargeSelected(0);
    Type("12");
    Key(kKeyEscape);
    EXPECT_EQ(calc.State(), EntryState::Idle);
    EXPECT_EQ(calc.Stack().StackCount(), 2);
    EXPECT_EQ(calc.LargeSelected(), 0);
    Key(kKeyEscape);
    EXPECT_EQ(calc.LargeSelected(), 1);
    EXPECT_FALSE(host.largeShown);
}

TEST_F(EntryKeys, ArrowsShowTheLargeStackAndMoveTheSelection) {
    PushDecimals({1, 2, 3});
    Key(kKeyUp);
    EXPECT_TRUE(host.largeShown);
    EXPECT_EQ(calc.LargeSelected(), 1);
    Key(kKeyUp);
    Key(kKeyUp);
    EXPECT_EQ(calc.LargeSelected(), 0);  // not below 0
    Key(kKeyDown);
    EXPECT_TRUE(host.largeShown);  // shown stays shown
    Key(kKeyDown);
    Key(kKeyDown);
    EXPECT_EQ(calc.LargeSelected(), 2);                   // not beyond the top row
    calc.Form_KeyDown(kKeyUp, 0, KeyWindow::LargeStack);  // the list moves by itself there
    EXPECT_EQ(calc.LargeSelected(), 2);
}

TEST_F(EntryKeys, FunctionKeys) {
    Key(kKeyF1);
    EXPECT_TRUE(host.functionsShown);
    Key(kKeyF2);
    calc.Form_KeyDown(kKeyF2, 0, KeyWindow::Functions);
    EXPECT_FALSE(host.largeShown);
    Key(kKeyF3);
    Key(kKeyF4);
    Key(kKeyF4);
    EXPECT_EQ(f3, 1);
    EXPECT_EQ(f4, 2);
    // A typed "p" is key code 80, never F1.
    calc.Form_KeyDown(80, 0);
    EXPECT_TRUE(host.functionsShown);
}

TEST_F(EntryKeys, AnyKeyClearsAMessage) {
    calc.ReportError(kDivisionByZero);
    EXPECT_EQ(calc.EntryCaption(), "DIVISION BY ZERO");
    EXPECT_TRUE(host.timerRunning);
    EXPECT_EQ(calc.State(), EntryState::Idle);
    Key(200);  // a key that does nothing else
    EXPECT_EQ(calc.EntryCaption(), "");
    EXPECT_FALSE(host.timerRunning);

    calc.ReportError(kOverflow);
    calc.tmrEntry_Timer();
    EXPECT_EQ(calc.EntryCaption(), "");
    EXPECT_FALSE(calc.TimerRunning());
}

TEST_F(EntryKeys, DecisionAMessageOfAKeyDownSurvivesItsOwnKeyPress) {
    for (int i = 0; i < 300; ++i) Enter();
    Type("7");
    Enter();  // the push is refused
    EXPECT_EQ(calc.Stack().StackCount(), 300);
    EXPECT_EQ(calc.EntryCaption(), "BAD ARGUMENT");
    EXPECT_TRUE(calc.TimerRunning());
    Type("1");  // the next key clears it as any key does
    EXPECT_EQ(calc.EntryCaption(), "1");
    EXPECT_FALSE(calc.TimerRunning());
}

TEST_F(EntryKeys, AFailedPushStillLetsTheEndingCharacterAct) {
    for (int i = 0; i < 300; ++i) Enter();
    Type("7&");
    EXPECT_EQ(calc.Stack().StackCount(), 300);
    EXPECT_EQ(calc.EntryText(), "&&");
    EXPECT_EQ(calc.State(), EntryState::Hex);
    EXPECT_TRUE(calc.TimerRunning());
    Type("+");  // the push fails again, the word still runs
    EXPECT_EQ(ran, std::vector<std::string>{"+"});
}

}  // namespace
}  // namespace quorva::test
