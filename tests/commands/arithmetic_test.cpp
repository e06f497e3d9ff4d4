// The arithmetic families: two operands, one operand, the whole stack.

#include <limits>

#include "CommandFixture.h"

namespace quorva::test {

TEST_P(FamilyTest, StackMessageAndUndo) {
    const Case& c = GetParam();
    if (c.degrees) calc.SetAngleRadians(false);
    Load(c.start);
    EXPECT_EQ(Type(c.keys), c.entry);
    ExpectStack(c.after, c.tol);
    EXPECT_EQ(calc.Stack().UndoAvailable(), c.undo);
    Type("u");
    ExpectStack(c.afterUndo, c.tol);
}

constexpr double kBig = 1.7e308;

const Case kTwoOperand[] = {
    {"Add", {{D, 2}, {D, 3}}, "+", "+    ...addition", {{D, 5}}, true, {{D, 2}, {D, 3}}},
    {"AddBinaries", {{B, 5}, {B, 3}}, "+", "+    ...addition", {{B, 8}}, true, {{B, 5}, {B, 3}}},
    {"AddBinaryHex", {{B, 5}, {H, 3}}, "+", "+    ...addition", {{H, 8}}, true, {{B, 5}, {H, 3}}},
    {"AddDecimalHex", {{D, 5}, {H, 3}}, "+", "+    ...addition", {{D, 8}}, true, {{D, 5}, {H, 3}}},
    {"HexSumOf2To32IsDecimal", {{H, 2147483648.0}, {H, 2147483648.0}}, "+", "+    ...addition",
     {{D, 4294967296.0}}, true, {{H, 2147483648.0}, {H, 2147483648.0}}},
    {"HexBelowZeroStaysHex", {{H, 1}, {H, 2}}, "-", "-    ...substraction", {{H, -1, "&&FFFFFFFF"}},
     true, {{H, 1}, {H, 2}}},
    {"MultiplyHexIsDecimal", {{H, 6}, {H, 7}}, "*", "*    ...multiplication", {{D, 42}}, true,
     {{H, 6}, {H, 7}}},
    {"Divide", {{D, 7}, {D, 2}}, "/", "/    ...division", {{D, 3.5}}, true, {{D, 7}, {D, 2}}},
    {"PowerKeepsBinary", {{B, 2}, {B, 3}}, "p", "p    ...power", {{B, 8}}, true, {{B, 2}, {B, 3}}},
    {"Scale", {{D, 2}, {D, 3}}, "t", "t    ...a x 10^b", {{D, 2000}}, true, {{D, 2}, {D, 3}}},
    {"Percent", {{D, 50}, {D, 20}}, "%", "%    ...percent", {{D, 10}}, true, {{D, 50}, {D, 20}}},
    {"ModHasSignOfDivisor", {{D, -7}, {D, 3}}, "m", "m    ...mod", {{D, 2}}, true, {{D, -7}, {D, 3}}},
    {"ModNegativeDivisor", {{D, 7}, {D, -3}}, "m", "m    ...mod", {{D, -2}}, true, {{D, 7}, {D, -3}}},
    {"ModOfFractionDoesNothing", {{D, 7.5}, {D, 2}}, "m", "m    ...mod", {{D, 7.5}, {D, 2}}, false,
     {{D, 7.5}, {D, 2}}},
    {"OneItemDoesNothing", {{D, 4}}, "+", "+    ...addition", {{D, 4}}, false, {{D, 4}}},
    // Drop first: the failure leaves y alone, undo brings x back.
    {"DivisionByZero", {{D, 5}, {D, 0}}, "/", "DIVISION BY ZERO", {{D, 5}}, true, {{D, 5}, {D, 0}}},
    {"ZeroByZero", {{D, 0}, {D, 0}}, "/", "OVERFLOW", {{D, 0}}, true, {{D, 0}, {D, 0}}},
    {"QuotientOverflows", {{D, 1e308}, {D, 1e-10}}, "/", "OVERFLOW", {{D, 1e308}}, true,
     {{D, 1e308}, {D, 1e-10}}},
    {"SumOverflows", {{D, kBig}, {D, kBig}}, "+", "OVERFLOW", {{D, kBig}}, true, {{D, kBig}, {D, kBig}}},
    {"ModByZero", {{D, 5}, {D, 0}}, "m", "DIVISION BY ZERO", {{D, 5}}, true, {{D, 5}, {D, 0}}},
    // Compute first: the stack stays, and undo gives back that same stack.
    {"NegativeBaseFractionalPower", {{D, -8}, {D, 0.5}}, "p", "BAD ARGUMENT", {{D, -8}, {D, 0.5}},
     true, {{D, -8}, {D, 0.5}}},
    {"ZeroToNegativePowerIsDivisionByZero", {{D, 0}, {D, -1}}, "p", "DIVISION BY ZERO",
     {{D, 0}, {D, -1}}, true, {{D, 0}, {D, -1}}},
    {"PowerOverflows", {{D, 10}, {D, 400}}, "p", "OVERFLOW", {{D, 10}, {D, 400}}, true,
     {{D, 10}, {D, 400}}},
    {"ScaleChecksPowerOfTenAtOnce", {{D, 1e-100}, {D, 309}}, "t", "OVERFLOW", {{D, 1e-100}, {D, 309}},
     true, {{D, 1e-100}, {D, 309}}},
    {"PercentChecksProductAtOnce", {{D, 1e300}, {D, 1e10}}, "%", "OVERFLOW", {{D, 1e300}, {D, 1e10}},
     true, {{D, 1e300}, {D, 1e10}}},
};
INSTANTIATE_TEST_SUITE_P(TwoOperand, FamilyTest, ::testing::ValuesIn(kTwoOperand), CaseName);

const Case kOneOperand[] = {
    {"Inverse", {{D, 4}}, "i", "i    ...inverse", {{D, 0.25}}, true, {{D, 4}}},
    {"InverseOfZero", {{D, 0}}, "i", "DIVISION BY ZERO", {{D, 0}}, true, {{D, 0}}},
    {"RoundHalfDown", {{D, 2.5}}, "rd", "rd   ...round", {{D, 2}}, true, {{D, 2.5}}},
    {"RoundHalfUp", {{D, 3.5}}, "rd", "rd   ...round", {{D, 4}}, true, {{D, 3.5}}},
    {"FactorialOfZero", {{D, 0}}, "f", "f    ...factor", {{D, 1}}, true, {{D, 0}}},
    {"FactorialKeepsHex", {{H, 5}}, "f", "f    ...factor", {{H, 120}}, true, {{H, 5}}},
    {"Factorial170", {{D, 170}}, "f", "f    ...factor", {{D, 7.257415615307994e306}}, true, {{D, 170}},
     false, 1e292},
    {"Factorial171Overflows", {{D, 171}}, "f", "OVERFLOW", {{D, 171}}, false, {{D, 171}}},
    {"FactorialOfFraction", {{D, 3.5}}, "f", "f    ...factor", {{D, 3.5}}, false, {{D, 3.5}}},
    {"SquareRoot", {{D, 16}}, "rt", "rt   ...square root", {{D, 4}}, true, {{D, 16}}},
    {"RootOfNegative", {{D, -1}}, "rt", "BAD ARGUMENT", {{D, -1}}, true, {{D, -1}}},
    {"CommonLogOf100", {{D, 100}}, "lo", "lo   ...log (base 10)", {{D, 2}}, true, {{D, 100}}},
    {"LogOfZero", {{D, 0}}, "ln", "BAD ARGUMENT", {{D, 0}}, true, {{D, 0}}},
    {"ExponentialOverflows", {{D, 710}}, "e", "OVERFLOW", {{D, 710}}, true, {{D, 710}}},
    {"ChangeSign", {{D, 5}}, "o", "", {{D, -5}}, true, {{D, 5}}},
    {"ChangeSignLeavesHex", {{H, 5}}, "o", "", {{H, 5}}, false, {{H, 5}}},
};
INSTANTIATE_TEST_SUITE_P(OneOperand, FamilyTest, ::testing::ValuesIn(kOneOperand), CaseName);

const Case kWholeStack[] = {
    {"Average", {{D, 1}, {D, 2}, {D, 3}}, "av", "av   ...average", {{D, 2}}, true,
     {{D, 1}, {D, 2}, {D, 3}}},
    {"SumOfOneHexItemIsDecimal", {{H, 5}}, "ad", "ad   ...sum all", {{D, 5}}, true, {{H, 5}}},
    {"SumOverflowsBeforeUndoRecord", {{D, kBig}, {D, kBig}, {D, 1}}, "ad", "OVERFLOW",
     {{D, kBig}, {D, kBig}, {D, 1}}, false, {{D, kBig}, {D, kBig}, {D, 1}}},
    {"AverageOfEmptyStack", {}, "av", "av   ...average", {}, false, {}},
    {"Clear", {{D, 1}, {H, 2}}, "c", "", {}, true, {{D, 1}, {H, 2, "&&2"}}},
    {"Drop", {{D, 1}, {B, 2}}, "d", "", {{D, 1}}, true, {{D, 1}, {B, 2, "'10"}}},
    {"PiOnEmptyStack", {}, ";;p", ";;p  ...pi", {{D, PiValue}}, true, {}},
};
INSTANTIATE_TEST_SUITE_P(WholeStack, FamilyTest, ::testing::ValuesIn(kWholeStack), CaseName);

// Decision: the push is refused, no undo record is made, and undo cannot spoil the 300th item.
TEST_F(CommandTest, PiOnFullStackMakesNoUndoRecord) {
    for (int i = 1; i <= OperandStack::kMaxItems; ++i) calc.Stack().Push(D, i);
    calc.Stack().WithdrawUndo();
    const StackItem top = calc.Stack().GetTop();
    EXPECT_EQ(Type(";;p"), "BAD ARGUMENT");
    EXPECT_FALSE(calc.Stack().UndoAvailable());
    Type("u");
    EXPECT_EQ(calc.Stack().StackCount(), OperandStack::kMaxItems);
    EXPECT_EQ(calc.Stack().GetTop(), top);
}

}  // namespace quorva::test
