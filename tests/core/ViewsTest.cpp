// The large stack's selection where key scripts cannot reach it, and the options model.

#include <string>

#include "CoreFixture.h"

namespace quorva::test {
namespace {

using Views = CoreTest;

TEST_F(Views, ASelectionOutsideTheRowsIsRefusedAndTheListsOwnArrowsAreLeftToIt) {
    calc.KeyDown(kKeyDown, 0);  // empty: the list is shown, nothing is selected
    EXPECT_TRUE(host.largeShown);
    EXPECT_FALSE(host.views & kViewLargeSelection);
    Push({1, 2, 3});
    calc.SetLargeSelected(0);
    calc.SetLargeSelected(3);
    calc.SetLargeSelected(-2);
    EXPECT_EQ(calc.LargeSelected(), 0);
    calc.KeyDown(kKeyDown, 0, KeyWindow::LargeStack);  // the list moves by itself there
    EXPECT_EQ(calc.LargeSelected(), 0);
}

TEST(OptionsModel, ListenersHearRealChangesInOrder) {
    OptionsModel m;
    std::string heard;
    m.Subscribe([&](Option id, int16_t v) {
        heard += "a" + std::to_string(static_cast<int>(id)) + "=" + std::to_string(v) + " ";
    });
    const int b = m.Subscribe([&](Option, int16_t) { heard += "b "; });
    m.Set(Option::FillDecimals, 0);
    m.Set(Option::FillDecimals, 0);  // the same value again is not a change
    m.Unsubscribe(b);
    m.Set(Option::Transparency, 255);
    EXPECT_EQ(heard, "a4=0 b a3=255 ");
    m.Set(Option::FillDecimals, 2);  // grey: not on
    EXPECT_FALSE(m.On(Option::FillDecimals));
}

}  // namespace
}  // namespace quorva::test
