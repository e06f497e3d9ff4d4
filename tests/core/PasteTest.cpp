// Paste and the validity tests of whole number texts.

#include <string>

#include "CoreFixture.h"

namespace quorva::test {
namespace {

TEST(ValidityTests, Hexadecimal) {
    struct Row {
        std::string in;
        bool ok;
        std::string after;  // the test may put a second "&" in front
    } rows[] = {
        {"&1F", true, "&&1F"}, {"&&1f", true, "&&1f"},      {"&", true, "&&"},
        {"&&", true, "&&"},    {"&H1F", false, "&&H1F"},    {"1F", false, "1F"},
        {"", false, ""},       {"&&12 3", false, "&&12 3"},
    };
    for (Row& r : rows) {
        std::string text = r.in;
        EXPECT_EQ(IsHexadecimal(text), r.ok) << r.in;
        EXPECT_EQ(text, r.after) << r.in;
    }
}

TEST(ValidityTests, Binary) {
    EXPECT_TRUE(IsBinary("'101"));
    EXPECT_TRUE(IsBinary("'"));
    EXPECT_FALSE(IsBinary("'1012"));
    EXPECT_FALSE(IsBinary("101"));
    EXPECT_FALSE(IsBinary(""));
}

TEST(ValidityTests, DecisionDecimalForms) {
    const char* accepted[] = {"12",  "-12.5", "+3",    ".5",     "-.5",   ",5",
                              "1,5", "7.",    "1.5e3", "1.5D-3", "1E+20", "-0"};
    const char* rejected[] = {"",      ".",   "-",   "-.", "1e",  "1.5e+", "1.2.3", "1,000.5",
                              "1 000", "abc", "12a", "e5", "--1", "&1F",   "1e5.5"};
    for (const char* t : accepted) EXPECT_TRUE(IsDecimal(t)) << t;
    for (const char* t : rejected) EXPECT_FALSE(IsDecimal(t)) << t;
}

using Paste = CoreTest;

struct PasteRow {
    const char* typed;  // keys before the paste
    const char* clip;
    std::string entry;
    EntryState state;
    bool positive, hasPoint;  // checked in the decimal state
};

TEST_F(Paste, AcceptsAWholeNumberOfTheEntrysNotation) {
    const PasteRow rows[] = {
        {"", ",5", ".5", EntryState::Decimal, true, true},
        {"", "-,5", "-.5", EntryState::Decimal, false, true},
        {"", "  42 \r\n", "42", EntryState::Decimal, true, false},
        {"", "-3", "-3", EntryState::Decimal, false, false},
        {"", "1.0", "1.0", EntryState::Decimal, true, true},  // a point is a point, whole or not
        {"", "1.5e3", "1.5e3", EntryState::Decimal, true, true},
        {"", "&1F", "&&1F", EntryState::Hex, false, false},
        {"", "&H1F", "", EntryState::Idle, false, false},
        {"", "'1012", "", EntryState::Idle, false, false},
        {"", "'", "'", EntryState::Binary, false, false},
        {"", "1 000", "", EntryState::Idle, false, false},
        {"34", "12", "3412", EntryState::Decimal, true, false},
        {"34", ".5", "34.5", EntryState::Decimal, true, true},
        {"3.4", ".5", "3.4", EntryState::Decimal, true, true},
        {"34", "&1F", "34", EntryState::Decimal, true, false},
        {"34o", "1", "-341", EntryState::Decimal, false, false},
        {"&1", "f", "&&1f", EntryState::Hex, false, false},
        {"&1", "g", "&&1", EntryState::Hex, false, false},
        {"'1", "01", "'101", EntryState::Binary, false, false},
        {"'1", "2", "'1", EntryState::Binary, false, false},
        {"l", "12", "l", EntryState::Command, false, false},
    };
    for (const PasteRow& r : rows) {
        calc.Form_KeyDown(kKeyEscape, 0);
        Type(r.typed);
        host.clipboard = r.clip;
        Key(kKeyV, kShiftCtrl);
        SCOPED_TRACE(std::string(r.typed) + " + " + r.clip);
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

TEST_F(Paste, TheFlagsFollowThePastedText) {
    host.clipboard = "1.0";
    Key(kKeyV, kShiftCtrl);
    Type(".5o");  // the second point is ignored; the sign goes in front
    EXPECT_EQ(calc.EntryText(), "-1.05");
    Enter();
    EXPECT_EQ(calc.Stack().ItemRef(1).value, -1.05);
}

TEST_F(Paste, EmptyClipboardDoesNothing) {
    Type("12");
    host.clipboard = "";
    Key(kKeyV, kShiftCtrl);
    host.clipboard = "   ";
    Key(kKeyV, kShiftCtrl);
    EXPECT_EQ(calc.EntryText(), "12");
}

TEST_F(Paste, CopyThenPasteGivesTheSameHexadecimalEntry) {
    calc.Stack().Push(kKindHex, 0x1F);
    Key(kKeyC, kShiftCtrl);
    EXPECT_EQ(host.clipboard, "&&1F");
    Key(kKeyV, kShiftCtrl);
    EXPECT_EQ(calc.EntryText(), "&&1F");
    EXPECT_EQ(calc.State(), EntryState::Hex);
}

TEST_F(Paste, PastedNumbersThatCannotBePushedRaiseOverflow) {
    PushDecimals({1});
    const std::string bits33 = "'1" + std::string(32, '0');  // 2^32
    for (const std::string& clip :
         {std::string("&100000000"), bits33, std::string("1e400"), std::string("-1D999")}) {
        host.clipboard = clip;
        Key(kKeyV, kShiftCtrl);
        EXPECT_EQ(calc.EntryText(), clip[0] == '&' ? "&" + clip : clip);
        Key(kKeyEnter);  // the message is made on key-down
        EXPECT_EQ(calc.EntryCaption(), "OVERFLOW") << clip;
        EXPECT_EQ(calc.EntryText(), "");
        EXPECT_EQ(Values(), (std::vector<double>{1})) << clip;
    }
}

}  // namespace
}  // namespace quorva::test
