// The operand stack's one level of undo relies on the record above the count: no failed store
// may touch it.

#include <cmath>
#include <limits>

#include "CoreFixture.h"
#include "Errors.h"

namespace quorva::test {
namespace {

using Stack = CoreTest;

TEST_F(Stack, DecisionAStoreThatCannotBeShownLeavesTheStackExactlyAsBefore) {
    Push({1, 2, 3});
    calc.Stack().Drop();
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
    }
    // A write beyond the count would land on that record.
    for (int n : {0, 3}) EXPECT_THROW(calc.Stack().WriteItem(n, StackItem{}), RuntimeError) << n;
    EXPECT_EQ(Values(), (V{1, 2}));
    EXPECT_EQ(calc.Stack().ItemRef(3), above);
    EXPECT_TRUE(calc.Stack().UndoAvailable());
    EXPECT_EQ(calc.Stack().UndoItem(), above);
    EXPECT_EQ(calc.Stack().UndoCount(), 2);
}

}  // namespace
}  // namespace quorva::test
