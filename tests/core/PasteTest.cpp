// Paste: a whole number of the entry's notation is taken, anything else is ignored.

#include <string>

#include "CoreFixture.h"

namespace quorva::test {
namespace {

using Paste = CoreTest;

TEST_F(Paste, TakesOnlyAWholeNumberOfTheEntrysNotation) {
    constexpr EntryState I = EntryState::Idle, N = EntryState::Decimal, X = EntryState::Hex,
                         B = EntryState::Binary;
    // The keys typed before the paste, the clipboard, the entry line then.
    const struct { const char* typed, *clip; std::string entry; EntryState state; } rows[] = {
        // Into an empty entry line: decimal forms, "," read as the point.
        {"", "12", "12", N}, {"", "-12.5", "-12.5", N}, {"", "+3", "+3", N}, {"", ",5", ".5", N},
        {"", "-,5", "-.5", N}, {"", "1,5", "1.5", N}, {"", "7.", "7.", N}, {"", "-0", "-0", N},
        {"", "1.0", "1.0", N},  // a point is a point, whole or not
        {"", "1.5e3", "1.5e3", N}, {"", "1.5D-3", "1.5D-3", N}, {"", "1E+20", "1E+20", N},
        {"", "  42 \r\n", "42", N}, {"", "101", "101", N},
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
        {"'1", "01", "'101", B}, {"'1", "2", "'1", B}, {"l", "12", "l", EntryState::Command},
    };
    for (const auto& r : rows) {
        Type(std::string("\x1b") + r.typed);
        host.clipboard = r.clip;
        Key(kKeyV, kShiftCtrl);
        SCOPED_TRACE(std::string(r.typed) + " + " + r.clip);
        ExpectEntry(r.entry, r.state);
    }
    EXPECT_EQ(calc.Stack().StackCount(), 0);
}

TEST_F(Paste, TypingGoesOnFromThePastedText) {
    host.clipboard = "1.0";
    Key(kKeyV, kShiftCtrl);
    Type(".5o\r");  // the second point is ignored; the sign goes in front
    EXPECT_EQ(Values(), V{-1.05});
}

TEST_F(Paste, PastedNumbersThatCannotBePushedRaiseOverflow) {
    Push({1});
    const std::string clips[] = {"&100000000", "'1" + std::string(32, '0'), "1e400", "-1D999"};
    for (const std::string& clip : clips) {
        host.clipboard = clip;
        Key(kKeyV, kShiftCtrl);
        EXPECT_EQ(calc.EntryText(), clip[0] == '&' ? "&" + clip : clip);
        Key(kKeyEnter);  // the message is made on key-down
        EXPECT_EQ(calc.EntryCaption(), "OVERFLOW") << clip;
        EXPECT_EQ(Values(), V{1}) << clip;
    }
}

}  // namespace
}  // namespace quorva::test
