// The texts around the decimal places that the windows show (the words are the key cases').

#include <gtest/gtest.h>

#include "Commands.h"

namespace quorva {

TEST(PlacesTexts, TooltipOfASettingsNumberAndTheLastPickerRows) {
    // A number read from the settings file is shown as it is, the sign in the blank's place.
    EXPECT_EQ(DecimalTooltip(-1), " Decimal places =-1. Click or F4 to change ");
    EXPECT_EQ(DecimalTooltip(15), " Decimal places = 15. Click or F4 to change ");
    const auto& rows = DecimalsPickerRows();
    ASSERT_EQ(rows.size(), 16u);
    EXPECT_EQ(std::vector(rows.end() - 3, rows.end()),
              (std::vector<std::string>{"2 decimal places", "1 decimal place", "no decimal place"}));
}

}  // namespace quorva
