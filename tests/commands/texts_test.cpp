// The texts around the decimal places that the windows show; the words themselves are tested
// through their keys (tests/keys/cases).

#include <gtest/gtest.h>

#include "Commands.h"

namespace quorva {

TEST(PlacesTexts, TooltipOfASettingsNumberAndTheLastPickerRows) {
    // A number read from the settings file is shown as it is, the sign in the blank's place.
    EXPECT_EQ(DecimalTooltip(-1), " Decimal places =-1. Click or F4 to change ");
    EXPECT_EQ(DecimalTooltip(15), " Decimal places = 15. Click or F4 to change ");
    const auto& rows = DecimalsPickerRows();
    ASSERT_EQ(rows.size(), 16u);
    EXPECT_EQ(rows[13], "2 decimal places");
    EXPECT_EQ(rows[14], "1 decimal place");
    EXPECT_EQ(rows[15], "no decimal place");
}

}  // namespace quorva
