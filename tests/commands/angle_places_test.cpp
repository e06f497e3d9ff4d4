// Angle mode, decimal places, the two pickers' choices and the reformat of the stack.

#include "CommandFixture.h"

namespace quorva::test {

TEST(AnglePlacesTexts, SettingsNumberTooltipAndPickerRows) {
    // A number read from the settings file is shown as it is, the sign in the blank's place.
    EXPECT_EQ(DecimalTooltip(-1), " Decimal places =-1. Click or F4 to change ");
    const auto& rows = DecimalsPickerRows();
    ASSERT_EQ(rows.size(), 16u);
    EXPECT_EQ(rows[14], "1 decimal place");
    EXPECT_EQ(rows[15], "no decimal place");
}

TEST_F(CommandTest, F3F4AndThePickersSetModeAndPlaces) {
    calc.KeyDown(kKeyF3, 0);
    EXPECT_FALSE(calc.AngleRadians());
    EXPECT_TRUE(host.views & kViewAngle);
    ChooseAngleRow(calc, 0);
    EXPECT_TRUE(calc.AngleRadians());
    // F4 cycles, and brings any number from the settings file back into 0..15.
    const struct { int16_t from, to; } steps[] = {{15, 0}, {0, 1}, {7, 8}, {40, 9}, {-3, 14}};
    for (const auto& s : steps) {
        calc.SetDecimalPlaces(s.from);
        calc.KeyDown(kKeyF4, 0);
        EXPECT_EQ(calc.DecimalPlaces(), s.to) << s.from;
    }
    EXPECT_TRUE(host.views & kViewPlaces);
    ChooseDecimalsRow(calc, 15);
    EXPECT_EQ(calc.DecimalPlaces(), 0);
    ChooseDecimalsRow(calc, -1);  // no row chosen
    EXPECT_EQ(calc.DecimalPlaces(), 0);
}

// With the update on and full precision off the value follows its shorter text, and the
// lost digits do not come back; with the update off, or the same places again, no reformat.
TEST_F(CommandTest, ANewNumberOfPlacesReformatsTheDecimalItems) {
    options.Set(Option::FullPrecision, 0);
    options.Set(Option::EngFormat, 0);
    Load({{H, 255}, {D, 0.125}});
    ChooseDecimalsRow(calc, 13);
    ExpectStack({{H, 255, "&&FF"}, {D, 0.12, "0.12"}});
    NextDecimalPlaces(calc);
    ExpectStack({{H, 255, "&&FF"}, {D, 0.12, "0.120"}});
    options.Set(Option::DecUpdate, 0);
    NextDecimalPlaces(calc);
    ExpectStack({{H, 255, "&&FF"}, {D, 0.12, "0.120"}});
    options.Set(Option::DecUpdate, 1);
    ChooseDecimalsRow(calc, 11);  // 4 places again: no change, no reformat
    ExpectStack({{H, 255, "&&FF"}, {D, 0.12, "0.120"}});
}

}  // namespace quorva::test
