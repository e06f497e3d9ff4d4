// Logic, base change and trigonometry in both angle modes.

#include "CommandFixture.h"

namespace quorva::test {

const Case kLogic[] = {
    {"AndHex", {{H, 255}, {H, 240}}, ";a", "", {{H, 240, "&&F0"}}, true},
    {"XorDecimal", {{D, 12}, {D, 10}}, ";x", "", {{D, 6}}, true},
    {"AndNegative", {{D, -1}, {D, 5}}, ";a", "", {{D, 5}}, true},
    {"OrNegative", {{D, 0}, {D, -8}}, ";o", "", {{D, -8}}, true},
    {"OrBinaryHex", {{B, 5}, {H, 2}}, ";o", "", {{H, 7}}, true},
    {"AndOfFractionDoesNothing", {{D, 12.5}, {D, 3}}, ";a", "", {{D, 12.5}, {D, 3}}, false},
    {"AndBeyond32BitsDropsX", {{H, 4294967295.0}, {D, 1}}, ";a", "OVERFLOW",
     {{H, 4294967295.0}}, true},
    {"NotHexZero", {{H, 0}}, ";n", "", {{H, 4294967295.0, "&&FFFFFFFF"}}, true},
    {"NotDecimalZero", {{D, 0}}, ";n", "", {{D, 4294967295.0}}, true},
    {"NotNegativeIsDecimal", {{B, -1}}, ";n", "", {{D, 4294967296.0}}, true},
    {"NotOfFractionDoesNothing", {{D, 2.5}}, ";n", "", {{D, 2.5}}, false},
};
INSTANTIATE_TEST_SUITE_P(Logic, FamilyTest, ::testing::ValuesIn(kLogic), CaseName);

const Case kBaseChange[] = {
    {"ToBinary", {{H, 255}}, ";b", "", {{B, 255, "'11111111"}}, true},
    {"ToDecimal", {{B, 255}}, ";d", "", {{D, 255}}, true},
    {"FractionToHexDoesNothing", {{D, 2.5}}, ";h", "", {{D, 2.5}}, false},
    {"TooLargeForBinary", {{D, 4294967296.0}}, ";b", "OVERFLOW", {{D, 4294967296.0}}, true},
};
INSTANTIATE_TEST_SUITE_P(BaseChange, FamilyTest, ::testing::ValuesIn(kBaseChange), CaseName);

// In degrees the angle is rounded to a whole number, half to even, for the exact zeros; the
// remainder keeps the sign of the angle, so -90 has no exact zero.
const Case kTrigonometry[] = {
    {"DegSinUsesRoundedAngle", {{D, 180.3}}, ";;s", "", {{D, 0}}, true, true},
    {"DegSinTieGoesToEven", {{D, 180.5}}, ";;s", "", {{D, 0}}, true, true},
    {"DegCosUsesRoundedAngle", {{D, 89.6}}, ";;c", "", {{D, 0}}, true, true},
    {"DegCos270IsExactlyZero", {{D, 270}}, ";;c", "", {{D, 0}}, true, true},
    {"DegCosMinus90IsNotZero", {{D, -90}}, ";;c", "", {{D, 1.6155445744325867e-15}}, true, true},
    {"DegTan90IsLargeYetNoError", {{D, 90}}, ";;t", "", {{D, 618986325617924.25}}, true, true},
    // The product first, then the division, with PiValue: these digits depend on both.
    {"DegTangentOf13", {{D, 13}}, ";;t", "", {{D, 0.2308681911255629}}, true, true},
    {"DegTangentOf45", {{D, 45}}, ";;t", "", {{D, 0.9999999999999983}}, true, true},
    {"DegArcTangentOfHalf", {{D, 0.5}}, ";;at", "", {{D, 26.56505117707802}}, true, true},
    {"DegAsinOfTwo", {{D, 2}}, ";;as", "BAD ARGUMENT", {{D, 2}}, true, true},
    {"DegSinBeyond32Bits", {{D, 3e9}}, ";;s", "OVERFLOW", {{D, 3e9}}, true, true},
    {"RadAsinOneUsesPiValue", {{D, 1}}, ";;as", "", {{D, PiValue / 2}}, true},
    {"RadAcosMinusOneIsPiValue", {{D, -1}}, ";;ac", "", {{D, PiValue}}, true},
    // 2 x arctan(1): the full-precision half pi, not PiValue / 2.
    {"RadAcosZero", {{D, 0}}, ";;ac", "", {{D, 1.5707963267948966}}, true},
    {"RadAcosOne", {{D, 1}}, ";;ac", "", {{D, 0}}, true},
    {"RadSinHasNoDegreeZeros", {{D, 180}}, ";;s", "", {{D, -0.80115263573383}}, true, false,
     1e-14},
};
INSTANTIATE_TEST_SUITE_P(Trigonometry, FamilyTest, ::testing::ValuesIn(kTrigonometry), CaseName);

}  // namespace quorva::test
