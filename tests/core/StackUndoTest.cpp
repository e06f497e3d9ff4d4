// The operand stack: what it stores, and the one level of undo that relies on the records above
// the count.

#include <cmath>
#include <limits>

#include "CoreFixture.h"
#include "Errors.h"

namespace quorva::test {
namespace {

using Stack = CoreTest;

TEST_F(Stack, DecisionAPushThatCannotBeShownLeavesTheStackExactlyAsBefore) {
    Push({1, 2, 3});
    calc.Stack().Drop();  // a record above the count, as undo needs it
    calc.Stack().RememberForUndo(3);
    const StackItem above = calc.Stack().ItemRef(3);
    const struct { int16_t kind; double value; } rows[] = {
        {kKindHex, 4294967296.0}, {kKindBinary, 1e10},
        {kKindDecimal, std::numeric_limits<double>::infinity()}, {kKindDecimal, std::nan("")}};
    for (const auto& r : rows) {
        for (auto store : {&OperandStack::Push, &OperandStack::ReplaceTop}) {
            try {
                (calc.Stack().*store)(r.kind, r.value);
                ADD_FAILURE() << "stored " << r.value;
            } catch (const RuntimeError& e) {
                EXPECT_EQ(e.code(), kOverflow);
            }
        }
        EXPECT_EQ(Texts(), (T{"1.000000000000000", "2.000000000000000"}));
        EXPECT_EQ(calc.Stack().ItemRef(3), above);
        EXPECT_TRUE(calc.Stack().UndoAvailable());
        EXPECT_EQ(calc.Stack().UndoItem(), above);
        EXPECT_EQ(calc.Stack().UndoCount(), 2);
    }
}

TEST_F(Stack, DecisionNegativeZeroIsStoredAndShownAsZero) {
    calc.Stack().Push(kKindDecimal, -0.0);
    Push({0});
    Type("o");  // change sign of the top item
    options.Set(Option::FullPrecision, 0);
    options.Set(Option::EngFormat, 0);
    calc.SetDecimalPlaces(2);
    Push({-0.001});  // shown as rounded, with its sign; read back from "-0.00" as zero
    EXPECT_EQ(Texts(), (T{"0.000000000000000", "0.000000000000000", "-0.00"}));
    for (double v : Values()) EXPECT_FALSE(std::signbit(v));
}

TEST_F(Stack, WithoutFullPrecisionACommaTextIsReadBackToo) {
    options.Set(Option::FullPrecision, 0);
    options.Set(Option::EngFormat, 0);
    Calculator comma(host, options, ',');
    comma.SetDecimalPlaces(3);
    comma.Stack().Push(kKindDecimal, 2.0 / 3);
    EXPECT_EQ(comma.Stack().ItemRef(1).text, "0,667");
    EXPECT_EQ(comma.Stack().ItemRef(1).value, 0.667);
}

}  // namespace
}  // namespace quorva::test
