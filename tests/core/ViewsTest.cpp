// The two stack views, moving an item to level 1, and the options model.

#include <string>

#include "CoreFixture.h"

namespace quorva::test {
namespace {

using Views = CoreTest;

TEST_F(Views, LongTextsAreCutInTheLabelButWholeInTheList) {
    const std::string bits23 = "'" + std::string(22, '1');
    calc.Stack().Push(kKindBinary, (1 << 22) - 1);
    calc.Stack().Push(kKindBinary, (1 << 21) - 1);  // 22 characters: still whole
    EXPECT_EQ(calc.Views().stackCaption,
              " \r\n \r\n \r\n<" + bits23.substr(2) + "\r\n" + bits23.substr(0, 22) + "\r\n");
    EXPECT_EQ(calc.Views().largeRows[0], "   2 :" + std::string(11, ' ') + bits23);
}

TEST_F(Views, ARowOutsideTheListIsNeverSelectedNorMoved) {
    Push({1, 2, 3});
    calc.SetLargeSelected(0);
    calc.SetLargeSelected(3);
    calc.SetLargeSelected(-2);
    EXPECT_EQ(calc.LargeSelected(), 0);
    calc.SetLargeSelected(-1);  // no row: nothing moves
    calc.MoveSelectedToTop();
    EXPECT_EQ(Values(), (V{1, 2, 3}));
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
