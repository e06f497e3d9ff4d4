// The two stack views, moving an item to level 1, and the options model.

#include <string>

#include "CoreFixture.h"

namespace quorva::test {
namespace {

using Views = CoreTest;

TEST_F(Views, StackLabelShowsTheLowestFiveLevels) {
    calc.Stack().Push(kKindBinary, 5);
    calc.Stack().Push(kKindHex, 255);
    EXPECT_EQ(calc.Views().stackCaption, " \r\n \r\n \r\n'101\r\n&&FF\r\n");
    for (int i = 0; i < 5; ++i) calc.Stack().Push(kKindBinary, i);
    EXPECT_EQ(calc.Views().stackCaption, "'0\r\n'1\r\n'10\r\n'11\r\n'100\r\n");
    EXPECT_EQ(StackDisplayText(calc.Stack()), calc.Views().stackCaption);
}

TEST_F(Views, LongTextsAreCutInTheLabelButWholeInTheList) {
    const std::string bits23 = "'" + std::string(22, '1');  // 23 characters
    calc.Stack().Push(kKindBinary, (1 << 22) - 1);
    ASSERT_EQ(calc.Stack().ItemRef(1).text, bits23);
    EXPECT_EQ(calc.Views().stackCaption, " \r\n \r\n \r\n \r\n<" + bits23.substr(2) + "\r\n");
    EXPECT_EQ(calc.Views().largeRows[0], "   1 :" + std::string(11, ' ') + bits23);
    const std::string bits22 = "'" + std::string(21, '1');
    calc.Stack().Push(kKindBinary, (1 << 21) - 1);
    EXPECT_EQ(calc.Views().stackCaption.substr(calc.Views().stackCaption.size() - 24),
              bits22 + "\r\n");
}

TEST(LargeStackRow, LevelAndValueRightAligned) {
    struct Row {
        int level;
        int16_t kind;
        std::string text, row;
    } rows[] = {
        {1, kKindDecimal, "5", "   1 :" + std::string(33, ' ') + "5"},
        {300, kKindDecimal, "-1.5", " 300 :" + std::string(30, ' ') + "-1.5"},
        {42, kKindHex, "&&FF", "  42 :" + std::string(31, ' ') + "&FF"},
        {7, kKindBinary, "'101", "   7 :" + std::string(30, ' ') + "'101"},
        {2, kKindEmpty, "", "   2 :" + std::string(34, ' ')},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(LargeStackRow(r.level, r.kind, r.text), r.row) << r.text;
        EXPECT_EQ(LargeStackRow(r.level, r.kind, r.text).size(), 40u);
    }
}

TEST_F(Views, ListRunsFromTheBottomAndSelectsTheTop) {
    PushDecimals({1, 2, 3});
    const auto& rows = calc.Views().largeRows;
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].substr(0, 6), "   3 :");
    EXPECT_EQ(rows[2].substr(0, 6), "   1 :");
    EXPECT_EQ(calc.LargeSelected(), 2);
    calc.SetLargeSelected(0);
    calc.SetLargeSelected(3);  // no such row: refused
    calc.SetLargeSelected(-2);
    EXPECT_EQ(calc.LargeSelected(), 0);
    calc.Stack().Drop();
    calc.Redraw();
    EXPECT_EQ(calc.Views().largeRows.size(), 2u);
    EXPECT_EQ(calc.LargeSelected(), 1);
}

TEST_F(Views, MoveSelectedToTop) {
    PushDecimals({1, 2});
    calc.Stack().Push(kKindHex, 3);
    calc.Stack().RememberForUndo(3);
    const StackItem a = calc.Stack().ItemRef(1);
    calc.SetLargeSelected(0);
    calc.MoveSelectedToTop();
    EXPECT_EQ(Values(), (std::vector<double>{2, 3, 1}));
    EXPECT_EQ(calc.Stack().ItemRef(3), a);  // kind, value and text kept
    EXPECT_EQ(calc.Stack().ItemRef(2).text, "&&3");
    EXPECT_EQ(calc.LargeSelected(), 2);
    EXPECT_TRUE(calc.Stack().UndoAvailable());  // no undo record of its own
    EXPECT_EQ(calc.Stack().UndoItem().value, 3);

    calc.MoveSelectedToTop();  // the top row: nothing moves
    EXPECT_EQ(Values(), (std::vector<double>{2, 3, 1}));
    calc.SetLargeSelected(-1);
    calc.MoveSelectedToTop();
    EXPECT_EQ(Values(), (std::vector<double>{2, 3, 1}));
    calc.Stack().Clear();
    calc.Redraw();
    calc.MoveSelectedToTop();  // empty list
    EXPECT_EQ(calc.Stack().StackCount(), 0);
}

TEST(OptionsModel, DesignValuesInSettingsOrder) {
    const char* keys[] = {"AlwaysOnTop",          "ShowFunctionWindow", "HideWindows",
                          "Transparency",         "FillDecimals",       "KeepFullPrecision",
                          "UpdateStackOnDecimal", "EngineeringFormat",  "QuitOnHide",
                          "ConfirmQuit"};
    const int16_t design[] = {0, 0, 0, 50, 1, 1, 1, 1, 0, 1};
    OptionsModel m;
    for (int i = 0; i < kOptionCount; ++i) {
        const OptionInfo& info = OptionTable()[i];
        EXPECT_EQ(static_cast<int>(info.id), i);
        EXPECT_STREQ(info.settingsKey, keys[i]);
        EXPECT_EQ(m.value(info.id), design[i]) << keys[i];
        EXPECT_EQ(&InfoOf(info.id), &info);
        EXPECT_EQ(info.isCheckBox, info.id != Option::Transparency);
    }
}

TEST(OptionsModel, ListenersHearRealChangesInOrder) {
    OptionsModel m;
    std::string heard;
    m.subscribe([&](Option id, int16_t v) {
        heard += "a" + std::to_string(static_cast<int>(id)) + "=" + std::to_string(v) + " ";
    });
    const int b = m.subscribe([&](Option, int16_t) { heard += "b "; });
    m.set(Option::FillDecimals, 0);
    m.set(Option::FillDecimals, 0);  // the same value again is not a change
    m.unsubscribe(b);
    m.set(Option::Transparency, 255);
    EXPECT_EQ(heard, "a4=0 b a3=255 ");
    EXPECT_FALSE(m.on(Option::FillDecimals));
    m.set(Option::FillDecimals, 2);  // grey: not on
    EXPECT_FALSE(m.on(Option::FillDecimals));
}

}  // namespace
}  // namespace quorva::test
