// The operand stack: push, replace, reformat, swap, and the one level of undo that relies on
// the records above the count.

#include <cmath>
#include <limits>

#include "CoreFixture.h"
#include "Errors.h"

namespace quorva::test {
namespace {

using Stack = CoreTest;

int CodeOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.code();
    }
    return 0;
}

TEST_F(Stack, GetItemOutsideTheStackIsTheEmptyRecord) {
    PushDecimals({1, 2});
    calc.Stack().Drop();
    for (int n : {0, 2, 3, 301, -1}) EXPECT_EQ(calc.Stack().GetItem(n), StackItem{}) << n;
    EXPECT_EQ(calc.Stack().GetItem(1).value, 1);
    calc.Stack().Clear();
    EXPECT_EQ(calc.Stack().GetTop(), StackItem{});
    calc.Stack().Drop();  // nothing to drop
    EXPECT_EQ(calc.Stack().StackCount(), 0);
}

TEST_F(Stack, TheThreeHundredAndFirstPushIsRefused) {
    for (int i = 0; i < 300; ++i) calc.Stack().Push(kKindDecimal, i);
    EXPECT_EQ(CodeOf([&] { calc.Stack().Push(kKindDecimal, 1); }), kBadArgument);
    EXPECT_EQ(calc.Stack().StackCount(), 300);
    Key(kKeyEnter);  // through the keys: the message, still 300 items
    EXPECT_EQ(calc.EntryCaption(), "BAD ARGUMENT");
    EXPECT_EQ(calc.Stack().StackCount(), 300);
}

TEST_F(Stack, DecisionAPushThatCannotBeShownLeavesTheStackExactlyAsBefore) {
    PushDecimals({1, 2, 3});
    calc.Stack().Drop();  // a record above the count, as undo needs it
    calc.Stack().RememberForUndo(3);
    const StackItem above = calc.Stack().ItemRef(3);
    struct Row {
        int16_t kind;
        double value;
        int code;
    } rows[] = {
        {kKindHex, 4294967296.0, kOverflow},
        {kKindBinary, 1e10, kOverflow},
        {kKindDecimal, std::numeric_limits<double>::infinity(), kOverflow},
        {kKindDecimal, std::nan(""), kOverflow},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(CodeOf([&] { calc.Stack().Push(r.kind, r.value); }), r.code);
        EXPECT_EQ(CodeOf([&] { calc.Stack().ReplaceTop(r.kind, r.value); }), r.code);
        EXPECT_EQ(Values(), (std::vector<double>{1, 2}));
        EXPECT_EQ(calc.Stack().ItemRef(2).text, "2.000000000000000");
        EXPECT_EQ(calc.Stack().ItemRef(3), above);
        EXPECT_TRUE(calc.Stack().UndoAvailable());
        EXPECT_EQ(calc.Stack().UndoItem(), above);
        EXPECT_EQ(calc.Stack().UndoCount(), 2);
    }
}

TEST_F(Stack, DecisionNegativeZeroIsStoredAndShownAsZero) {
    calc.Stack().Push(kKindDecimal, -0.0);
    EXPECT_FALSE(std::signbit(calc.Stack().ItemRef(1).value));
    EXPECT_EQ(calc.Stack().ItemRef(1).text, "0.000000000000000");
    Type("o");  // change sign of the top item
    EXPECT_FALSE(std::signbit(calc.Stack().ItemRef(1).value));
    EXPECT_EQ(calc.Stack().ItemRef(1).text, "0.000000000000000");
    options.set(Option::FullPrecision, 0);
    options.set(Option::EngFormat, 0);
    calc.SetDecimalPlaces(2);
    calc.Stack().ReplaceTop(kKindDecimal, -0.001);  // read back from "0.00"
    EXPECT_FALSE(std::signbit(calc.Stack().ItemRef(1).value));
    EXPECT_EQ(calc.Stack().ItemRef(1).text, "0.00");
}

TEST_F(Stack, WithoutFullPrecisionTheValueIsWhatIsShown) {
    options.set(Option::FullPrecision, 0);
    options.set(Option::EngFormat, 0);
    calc.SetDecimalPlaces(2);
    calc.Stack().Push(kKindDecimal, 1.0 / 3);
    EXPECT_EQ(calc.Stack().ItemRef(1).value, 0.33);
    EXPECT_EQ(calc.Stack().ItemRef(1).text, "0.33");
    calc.Stack().ReplaceTop(kKindDecimal, calc.Stack().ItemRef(1).value * 3);
    EXPECT_EQ(calc.Stack().ItemRef(1).value, 0.99);

    // With a comma separator the text is read back the same way.
    Calculator comma(host, options, ',');
    comma.SetDecimalPlaces(3);
    comma.Stack().Push(kKindDecimal, 2.0 / 3);
    EXPECT_EQ(comma.Stack().ItemRef(1).text, "0,667");
    EXPECT_EQ(comma.Stack().ItemRef(1).value, 0.667);
}

TEST_F(Stack, ReformatTouchesDecimalItemsOnly) {
    calc.Stack().Push(kKindDecimal, 2.0 / 3);
    calc.Stack().Push(kKindHex, 10);
    options.set(Option::FullPrecision, 0);
    options.set(Option::EngFormat, 0);
    calc.SetDecimalPlaces(2);
    calc.Stack().ReformatDecimals();
    EXPECT_EQ(Texts(), (std::vector<std::string>{"0.67", "&&A"}));
    EXPECT_EQ(Values(), (std::vector<double>{0.67, 10}));
    calc.SetDecimalPlaces(4);
    calc.Stack().ReformatDecimals();  // the lost digits do not come back
    EXPECT_EQ(Texts(), (std::vector<std::string>{"0.6700", "&&A"}));
}

TEST_F(Stack, ClearThenUndoBringsEveryItemBack) {
    calc.Stack().Push(kKindBinary, 5);
    calc.Stack().Push(kKindDecimal, 2.5);
    calc.Stack().Push(kKindHex, 255);
    const auto texts = Texts();
    Type("c");
    EXPECT_EQ(calc.Stack().StackCount(), 0);
    Type("u");
    EXPECT_EQ(Texts(), texts);
    EXPECT_EQ(calc.Stack().ItemRef(1).kind, kKindBinary);
    Type("u");  // nothing left to undo
    EXPECT_EQ(Texts(), texts);
}

TEST_F(Stack, ClearOfAFullStackThenUndoKeepsTheItems) {
    for (int i = 0; i < 300; ++i) calc.Stack().Push(kKindDecimal, i);
    Type("c");
    Type("u");
    EXPECT_EQ(calc.Stack().StackCount(), 300);
    EXPECT_EQ(calc.Stack().ItemRef(300).value, 299);
}

TEST_F(Stack, DropThenUndo) {
    PushDecimals({1, 2, 3});
    Type("d");
    EXPECT_EQ(Values(), (std::vector<double>{1, 2}));
    Type("u");
    EXPECT_EQ(Values(), (std::vector<double>{1, 2, 3}));
    Type("u");
    EXPECT_EQ(Values(), (std::vector<double>{1, 2, 3}));
    calc.Stack().Clear();
    Type("d");  // empty stack: nothing, and no undo record
    EXPECT_FALSE(calc.Stack().UndoAvailable());
}

TEST_F(Stack, UndoWritesTheRememberedRecordAtTheTop) {
    // The pattern of a two-operand command: remember n-1, drop, replace the new top.
    PushDecimals({10, 20});
    calc.Stack().RememberForUndo(1);
    calc.Stack().Drop();
    calc.Stack().ReplaceTop(kKindDecimal, 30);
    EXPECT_EQ(Values(), (std::vector<double>{30}));
    calc.Stack().Undo();
    EXPECT_EQ(Values(), (std::vector<double>{10, 20}));
    // A position beyond the records keeps the older remembered record.
    calc.Stack().RememberForUndo(2);
    calc.Stack().RememberForUndo(301);
    EXPECT_EQ(calc.Stack().UndoItem().value, 20);
}

TEST_F(Stack, SwapExchangesAndWithdrawsUndo) {
    calc.Stack().Push(kKindHex, 255);
    Type("s");  // one item: nothing
    EXPECT_EQ(Values(), (std::vector<double>{255}));
    PushDecimals({1});
    Type("d");
    PushDecimals({2});
    ASSERT_TRUE(calc.Stack().UndoAvailable());
    Type("s");
    EXPECT_EQ(Texts(), (std::vector<std::string>{"2.000000000000000", "&&FF"}));
    EXPECT_FALSE(calc.Stack().UndoAvailable());
    Type("u");
    EXPECT_EQ(Texts(), (std::vector<std::string>{"2.000000000000000", "&&FF"}));
}

TEST_F(Stack, EnterWithdrawsUndoOtherPushesDoNot) {
    PushDecimals({1, 2});
    Type("d");
    Type("5+");  // a push by an operator keeps the undo record
    EXPECT_TRUE(calc.Stack().UndoAvailable());
    Type("7");
    Enter();
    EXPECT_FALSE(calc.Stack().UndoAvailable());
    Type("u");
    EXPECT_EQ(Values(), (std::vector<double>{1, 5, 7}));
}

TEST_F(Stack, ChangeSignOfTheTopItem) {
    calc.Stack().Push(kKindHex, 5);
    Type("o");
    EXPECT_EQ(Values(), (std::vector<double>{5}));
    EXPECT_FALSE(calc.Stack().UndoAvailable());
    PushDecimals({5});
    Type("o");
    EXPECT_EQ(Values(), (std::vector<double>{5, -5}));
    Type("o");
    EXPECT_EQ(Values(), (std::vector<double>{5, 5}));
    Type("o");
    Type("u");
    EXPECT_EQ(Values(), (std::vector<double>{5, 5}));
}

}  // namespace
}  // namespace quorva::test
