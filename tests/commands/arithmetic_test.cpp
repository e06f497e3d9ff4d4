// The arithmetic families: two operands, one operand, the whole stack.

#include "CommandFixture.h"

namespace quorva::test {

TEST_P(FamilyTest, StackMessageAndUndo) {
    const Case& c = GetParam();
    calc.SetAngleRadians(!c.degrees);
    Load(c.start);
    const std::string caption = Type(c.keys);
    if (*c.error)
        EXPECT_EQ(caption, c.error);
    else
        EXPECT_EQ(caption.substr(0, 8), (c.keys + std::string(5, ' ')).substr(0, 5) + "...");
    ExpectStack(c.after, c.tol);
    EXPECT_EQ(calc.Stack().UndoAvailable(), c.undo);
    Type("u");
    ExpectStack(c.start, c.tol);
}

constexpr double kBig = 1.7e308;

const Case kTwoOperand[] = {
    {"HexBelowZeroStaysHex", {{H, 1}, {H, 2}}, "-", "", {{H, -1, "&&FFFFFFFF"}}, true},
    {"MultiplyHexIsDecimal", {{H, 6}, {H, 7}}, "*", "", {{D, 42}}, true},
    {"PowerKeepsBinary", {{B, 2}, {B, 3}}, "p", "", {{B, 8}}, true},
    {"ModNegativeDivisor", {{D, 7}, {D, -3}}, "m", "", {{D, -2}}, true},
    {"ModOfFractionDoesNothing", {{D, 7.5}, {D, 2}}, "m", "", {{D, 7.5}, {D, 2}}, false},
    {"OneItemDoesNothing", {{D, 4}}, "+", "", {{D, 4}}, false},
    // Drop first: the failure leaves y alone, undo brings x back.
    {"ZeroByZero", {{D, 0}, {D, 0}}, "/", "OVERFLOW", {{D, 0}}, true},
    {"QuotientOverflows", {{D, 1e308}, {D, 1e-10}}, "/", "OVERFLOW", {{D, 1e308}}, true},
    {"SumOverflows", {{D, kBig}, {D, kBig}}, "+", "OVERFLOW", {{D, kBig}}, true},
    {"ModByZero", {{D, 5}, {D, 0}}, "m", "DIVISION BY ZERO", {{D, 5}}, true},
    // Compute first: the stack stays, and undo gives back that same stack.
    {"NegativeBaseFractionalPower", {{D, -8}, {D, 0.5}}, "p", "BAD ARGUMENT",
     {{D, -8}, {D, 0.5}}, true},
    {"PowerOverflows", {{D, 10}, {D, 400}}, "p", "OVERFLOW", {{D, 10}, {D, 400}}, true},
    {"ScaleChecksPowerOfTenAtOnce", {{D, 1e-100}, {D, 309}}, "t", "OVERFLOW",
     {{D, 1e-100}, {D, 309}}, true},
    {"PercentChecksProductAtOnce", {{D, 1e300}, {D, 1e10}}, "%", "OVERFLOW",
     {{D, 1e300}, {D, 1e10}}, true},
};
INSTANTIATE_TEST_SUITE_P(TwoOperand, FamilyTest, ::testing::ValuesIn(kTwoOperand), CaseName);

const Case kOneOperand[] = {
    {"InverseOfZero", {{D, 0}}, "i", "DIVISION BY ZERO", {{D, 0}}, true},
    {"RoundHalfDown", {{D, 2.5}}, "rd", "", {{D, 2}}, true},
    {"RoundHalfUp", {{D, 3.5}}, "rd", "", {{D, 4}}, true},
    {"FactorialOfZero", {{D, 0}}, "f", "", {{D, 1}}, true},
    {"FactorialKeepsHex", {{H, 5}}, "f", "", {{H, 120}}, true},
    {"FactorialOfFraction", {{D, 3.5}}, "f", "", {{D, 3.5}}, false},
    {"RootOfNegative", {{D, -1}}, "rt", "BAD ARGUMENT", {{D, -1}}, true},
    {"LogOfZero", {{D, 0}}, "ln", "BAD ARGUMENT", {{D, 0}}, true},
    {"ExponentialOverflows", {{D, 710}}, "e", "OVERFLOW", {{D, 710}}, true},
};
INSTANTIATE_TEST_SUITE_P(OneOperand, FamilyTest, ::testing::ValuesIn(kOneOperand), CaseName);

const Case kWholeStack[] = {
    {"SumOfOneHexItemIsDecimal", {{H, 5}}, "ad", "", {{D, 5}}, true},
    {"SumOverflowsBeforeUndoRecord", {{D, kBig}, {D, kBig}, {D, 1}}, "ad", "OVERFLOW",
     {{D, kBig}, {D, kBig}, {D, 1}}, false},
    {"AverageOfEmptyStack", {}, "av", "", {}, false},
    {"PiOnEmptyStack", {}, ";;p", "", {{D, PiValue}}, true},
};
INSTANTIATE_TEST_SUITE_P(WholeStack, FamilyTest, ::testing::ValuesIn(kWholeStack), CaseName);

}  // namespace quorva::test
