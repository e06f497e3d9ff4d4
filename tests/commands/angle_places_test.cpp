// Angle mode, decimal places, the two pickers' choices and the reformat of the stack.

#include "CommandFixture.h"

namespace quorva::test {

TEST(AnglePlacesTexts, CaptionsTooltipsAndPickerRows) {
    EXPECT_EQ(AngleCaption(true), "rad");
    EXPECT_EQ(AngleCaption(false), "deg");
    EXPECT_EQ(AngleTooltip(false), " Mode = degrees. Click or F3 to change ");
    EXPECT_EQ(DecimalCaption(15), ".15");
    EXPECT_EQ(DecimalCaption(0), ".0");
    EXPECT_EQ(DecimalTooltip(15), " Decimal places = 15. Click or F4 to change ");
    EXPECT_EQ(DecimalTooltip(-1), " Decimal places =-1. Click or F4 to change ");
    EXPECT_EQ(AnglePickerRows(), (std::vector<std::string>{"Radians", "Degrees"}));
    const auto& rows = DecimalsPickerRows();
    ASSERT_EQ(rows.size(), 16u);
    EXPECT_EQ(rows[0], "15 decimal places");
    EXPECT_EQ(rows[13], "2 decimal places");
    EXPECT_EQ(rows[14], "1 decimal place");
    EXPECT_EQ(rows[15], "no decimal place");
}

TEST_F(CommandTest, F3TogglesAndF4Cycles) {
    calc.Form_KeyDown(kKeyF3, 0);
    EXPECT_FALSE(calc.AngleRadians());
    EXPECT_TRUE(host.views & kViewAngle);
    calc.Form_KeyDown(kKeyF3, 0);
    EXPECT_TRUE(calc.AngleRadians());
    const struct { int16_t from, to; } kSteps[] = {{15, 0}, {0, 1}, {7, 8}, {20, 5}, {-3, 14}};
    for (const auto& s : kSteps) {
        calc.SetDecimalPlaces(s.from);
        calc.Form_KeyDown(kKeyF4, 0);
        EXPECT_EQ(calc.DecimalPlaces(), s.to) << s.from;
    }
    EXPECT_TRUE(host.views & kViewPlaces);
}

TEST_F(CommandTest, PickerRowsSetModeAndPlaces) {
    ChooseAngleRow(calc, 1);
    EXPECT_FALSE(calc.AngleRadians());
    ChooseAngleRow(calc, 0);
    EXPECT_TRUE(calc.AngleRadians());
    ChooseDecimalsRow(calc, 15);
    EXPECT_EQ(calc.DecimalPlaces(), 0);
    ChooseDecimalsRow(calc, 0);
    EXPECT_EQ(calc.DecimalPlaces(), 15);
}

// Decision: a settings-file number beyond 15 is clamped where the text is made.
TEST_F(CommandTest, DecimalPlacesOutOfRangeAreClampedThenBroughtBackByF4) {
    calc.SetDecimalPlaces(40);
    Load({{D, 2.5}});
    EXPECT_EQ(calc.Stack().GetTop().text, "2.500000000000000");
    NextDecimalPlaces(calc);
    EXPECT_EQ(calc.DecimalPlaces(), 9);
    EXPECT_EQ(calc.Stack().GetTop().text, "2.500000000");
}

// With the update on and full precision off the value follows its shorter text, and the
// lost digits do not come back.
TEST_F(CommandTest, ReformatRoundsStoredValues) {
    options.set(Option::FullPrecision, 0);
    options.set(Option::EngFormat, 0);
    Load({{H, 255}, {D, 1}, {D, 3}});
    Type("/");
    ChooseDecimalsRow(calc, 13);
    ExpectStack({{H, 255, "&&FF"}, {D, 0.33, "0.33"}});
    ChooseDecimalsRow(calc, 12);
    ExpectStack({{H, 255, "&&FF"}, {D, 0.33, "0.330"}});
    NextDecimalPlaces(calc);
    ExpectStack({{H, 255, "&&FF"}, {D, 0.33, "0.3300"}});
}

TEST_F(CommandTest, NoReformatWithUpdateOffOrSameRow) {
    Load({{D, 0.125}});
    options.set(Option::DecUpdate, 0);
    NextDecimalPlaces(calc);  // 0 places; the item keeps its 15-place text
    ExpectStack({{D, 0.125, "125.000000000000000E-3"}});
    options.set(Option::DecUpdate, 1);
    ChooseDecimalsRow(calc, 15);  // 0 places again: no change, no reformat
    ExpectStack({{D, 0.125, "125.000000000000000E-3"}});
    ChooseDecimalsRow(calc, 13);
    ExpectStack({{D, 0.125, "125.00E-3"}});
}

}  // namespace quorva::test
