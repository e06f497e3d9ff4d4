// What key scripts cannot reach: the pastes the entry takes and typing after them (paste.table
// has what they push), failed stores, selections outside the rows and the large list's own keys.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <string_view>
#include <tuple>

#include "Calculator.h"
#include "Errors.h"
#include "PlainHost.h"

namespace quorva::test {
namespace {

// Records which views the calculator said changed.
struct ViewsHost : PlainHost {
    unsigned views = 0;
    void ViewsChanged(unsigned v) override { views |= v; }
};

class CoreTest : public ::testing::Test {
protected:
    ViewsHost host;
    OptionsModel options;
    Calculator calc{host, options};

    // A key-down then a key-press, as a keyboard delivers them; "\r" is Enter, "\x1b" Escape.
    void Type(std::string_view keys) {
        for (char c : keys) {
            calc.KeyDown(c == '\r' ? kKeyEnter : c == '\x1b' ? kKeyEscape : 0, 0);
            calc.CharacterTyped(c);
        }
    }
    void PasteText(const std::string& clip) {
        host.clipboard = clip;
        calc.KeyDown(kKeyV, kShiftCtrl);
    }
};

using Paste = CoreTest;

TEST_F(Paste, TakesOnlyAWholeNumberOfTheEntrysNotation) {
    constexpr EntryState I = EntryState::Idle, N = EntryState::Decimal, X = EntryState::Hex,
                         B = EntryState::Binary;
    // The keys typed before the paste, the clipboard, the entry line then.
    const struct { const char* typed, *clip; std::string entry; EntryState state; } rows[] = {
        // Into an empty entry line: decimal forms, "," read as the point.
        {"", "12", "12", N}, {"", "-12.5", "-12.5", N}, {"", "+3", "+3", N}, {"", ",5", ".5", N},
        {"", "-,5", "-.5", N}, {"", "1,5", "1.5", N}, {"", "7.", "7.", N}, {"", "-0", "-0", N},
        {"", "1.0", "1.0", N}, {"", "1.5e3", "1.5e3", N}, {"", "1.5D-3", "1.5D-3", N},
        {"", "1E+20", "1E+20", N}, {"", "  42 \r\n", "42", N}, {"", "101", "101", N},
        {"", "", "", I}, {"", " \r\n", "", I}, {"", ".", "", I}, {"", "-", "", I},
        {"", "-.", "", I}, {"", "1e", "", I}, {"", "1.5e+", "", I}, {"", "1.2.3", "", I},
        {"", "1,000.5", "", I}, {"", "1 000", "", I}, {"", "abc", "", I}, {"", "12a", "", I},
        {"", "e5", "", I}, {"", "--1", "", I}, {"", "1e5.5", "", I},
        // Hexadecimal and binary, which a first "&" or "'" announces.
        {"", "&1F", "&&1F", X}, {"", "&&1f", "&&1f", X}, {"", "&", "&&", X}, {"", "&&", "&&", X},
        {"", "&H1F", "", I}, {"", "1F", "", I}, {"", "&&12 3", "", I},
        {"", "'101", "'101", B}, {"", "'", "'", B}, {"", "'1012", "", I},
        // Onto a number being typed: the joined text must still be one number.
        {"12", "", "12", N}, {"12", " \r\n", "12", N}, {"34", "12", "3412", N},
        {"34", ".5", "34.5", N}, {"3.4", ".5", "3.4", N}, {"34", "&1F", "34", N},
        {"34o", "1", "-341", N}, {"&1", "f", "&&1f", X}, {"&1", "g", "&&1", X},
        {"'1", "01", "'101", B}, {"'1", "2", "'1", B},
    };
    for (const auto& r : rows) {
        Type(std::string("\x1b") + r.typed);
        PasteText(r.clip);
        SCOPED_TRACE(std::string(r.typed) + " + " + r.clip);
        EXPECT_EQ(calc.EntryText(), r.entry);
        EXPECT_EQ(calc.State(), r.state);
    }
    EXPECT_EQ(calc.Stack().StackCount(), 0);
}

TEST_F(Paste, TypingGoesOnFromWhatThePasteMeant) {
    // Keys before, the clipboard, keys after, the entry then and what Enter pushes. Only a value
    // not whole has a point ("." after "4.0" is appended), only one below zero a sign for "o" to
    // take ("-0" gets a second), and a paste onto typing keeps the typed sign.
    const struct { const char* typed, *clip, *after; std::string entry; double pushed; } rows[] = {
        {"", "4.0", ".5", "4.0.5", 4},  // read up to the second point
        {"", "12.000000000000000", ".", "12.000000000000000.", 12},
        {"", "7.", "5", "7.5", 7.5}, {"", "1.25", ".", "1.25", 1.25}, {"", "-3", "o", "3", 3},
        {"", "-0", ".5", "-0.5", -0.5}, {"", "-0", "o", "--0", 0}, {"", "-2.5", ".", "-2.5", -2.5},
        {"", ",5", "", ".5", 0.5}, {"", "1.5e3", ".", "1.5e3.", 1500},
        {"", "2.5e-1", ".", "2.5e-1", 0.25}, {"34", ".0", ".5", "34.0.5", 34},
        {"34", ".5", ".", "34.5", 34.5}, {"34o", "1", "o", "341", 341},
        {"3.", "5", ".", "3.5", 3.5}, {"", "&&fF", "", "&&fF", 255}, {"", "&", "", "&&", 0},
        {"", "'", "", "'", 0},
        {"", "'11111111111111111111111111111111", "", "'" + std::string(32, '1'), 4294967295.0},
    };
    for (const auto& r : rows) {
        Type(std::string("\x1b" "c") + r.typed);
        PasteText(r.clip);
        Type(r.after);
        EXPECT_EQ(calc.EntryText(), r.entry) << r.typed << " + " << r.clip;
        Type("\r");
        EXPECT_EQ(calc.Stack().GetTop().value, r.pushed) << r.typed << " + " << r.clip;
    }
}

using Stack = CoreTest;

TEST_F(Stack, DecisionAStoreThatCannotBeShownLeavesTheStackExactlyAsBefore) {
    Type("1\r2\r3\r");
    calc.Stack().Drop();
    calc.Stack().RememberForUndo(3);
    const StackSnapshot before = calc.Stack().Snapshot();
    const struct { int16_t kind; double value; } rows[] = {
        {kKindHex, 4294967296.0}, {kKindBinary, 1e10},
        {kKindDecimal, std::numeric_limits<double>::infinity()}, {kKindDecimal, std::nan("")}};
    for (const auto& r : rows) {  // the message shown is the key cases' ("OVERFLOW")
        EXPECT_THROW(calc.Stack().Push(r.kind, r.value), RuntimeError) << r.value;
        EXPECT_THROW(calc.Stack().ReplaceTop(r.kind, r.value), RuntimeError) << r.value;
    }
    // A write beyond the count would land on the undo record.
    for (int n : {0, 3}) EXPECT_THROW(calc.Stack().WriteItem(n, StackItem{}), RuntimeError) << n;
    const StackSnapshot after = calc.Stack().Snapshot();
    EXPECT_EQ(after.records, before.records);
    EXPECT_EQ(std::tie(after.count, after.undoAvailable, after.undoItem, after.undoCount),
              std::tie(before.count, before.undoAvailable, before.undoItem, before.undoCount));
}

using Views = CoreTest;

TEST_F(Views, ASelectionOutsideTheRowsIsRefusedAndTheListsOwnArrowsAreLeftToIt) {
    calc.KeyDown(kKeyDown, 0);  // on an empty stack the list is shown, with nothing to select
    EXPECT_TRUE(host.largeShown);
    EXPECT_FALSE(host.views & kViewLargeSelection);
    Type("1\r2\r3\r");
    for (int row : {0, 3, -2}) calc.SetLargeSelected(row);
    EXPECT_EQ(calc.LargeSelected(), 0);
    calc.KeyDown(kKeyDown, 0, KeyWindow::LargeStack);  // the list moves by itself there
    EXPECT_EQ(calc.LargeSelected(), 0);
}

}  // namespace
}  // namespace quorva::test
