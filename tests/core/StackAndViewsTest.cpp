// What key scripts cannot reach: the stack's undo record under failed stores, selections outside
// the large stack's rows and the list's own arrows.

#include <cmath>
#include <limits>
#include <string>

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

using Views = CoreTest;

TEST_F(Views, ASelectionOutsideTheRowsIsRefusedAndTheListsOwnArrowsAreLeftToIt) {
    calc.KeyDown(kKeyDown, 0);  // on an empty stack too
    EXPECT_TRUE(host.largeShown);
    Push({1, 2, 3});
    calc.SetLargeSelected(0);
    calc.SetLargeSelected(3);
    calc.SetLargeSelected(-2);
    EXPECT_EQ(calc.LargeSelected(), 0);
    calc.KeyDown(kKeyDown, 0, KeyWindow::LargeStack);  // the list moves by itself there
    EXPECT_EQ(calc.LargeSelected(), 0);
}

}  // namespace
}  // namespace quorva::test
