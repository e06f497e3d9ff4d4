// Logic, base change and trigonometry in both angle modes.

#include <cmath>

#include "CommandFixture.h"
#include "MathFunctions.h"

namespace quorva::test {

const Case kLogic[] = {
    {"AndHex", {{H, 255}, {H, 240}}, ";a", ";a   ...and", {{H, 240, "&&F0"}}, true, {{H, 255}, {H, 240}}},
    {"XorDecimal", {{D, 12}, {D, 10}}, ";x", ";x   ...xor", {{D, 6}}, true, {{D, 12}, {D, 10}}},
    {"AndNegative", {{D, -1}, {D, 5}}, ";a", ";a   ...and", {{D, 5}}, true, {{D, -1}, {D, 5}}},
    {"OrNegative", {{D, 0}, {D, -8}}, ";o", ";o   ...or", {{D, -8}}, true, {{D, 0}, {D, -8}}},
    {"OrBinaryHex", {{B, 5}, {H, 2}}, ";o", ";o   ...or", {{H, 7}}, true, {{B, 5}, {H, 2}}},
    {"AndOfFractionDoesNothing", {{D, 12.5}, {D, 3}}, ";a", ";a   ...and", {{D, 12.5}, {D, 3}}, false,
     {{D, 12.5}, {D, 3}}},
    {"AndBeyond32BitsDropsX", {{H, 4294967295.0}, {D, 1}}, ";a", "OVERFLOW", {{H, 4294967295.0}}, true,
     {{H, 4294967295.0}, {D, 1}}},
    {"NotHexZero", {{H, 0}}, ";n", ";n   ...not", {{H, 4294967295.0, "&&FFFFFFFF"}}, true, {{H, 0}}},
    {"NotDecimalZero", {{D, 0}}, ";n", ";n   ...not", {{D, 4294967295.0}}, true, {{D, 0}}},
    {"NotNegativeIsDecimal", {{B, -1}}, ";n", ";n   ...not", {{D, 4294967296.0}}, true, {{B, -1}}},
    {"NotOfFractionDoesNothing", {{D, 2.5}}, ";n", ";n   ...not", {{D, 2.5}}, false, {{D, 2.5}}},
};
INSTANTIATE_TEST_SUITE_P(Logic, FamilyTest, ::testing::ValuesIn(kLogic), CaseName);

const Case kBaseChange[] = {
    {"ToHex", {{D, 255}}, ";h", ";h   ...to hexadecimal", {{H, 255, "&&FF"}}, true, {{D, 255}}},
    {"ToBinary", {{H, 255}}, ";b", ";b   ...to binary", {{B, 255, "'11111111"}}, true, {{H, 255}}},
    {"ToDecimal", {{B, 255}}, ";d", ";d   ...to decimal", {{D, 255}}, true, {{B, 255}}},
    {"NegativeToHex", {{D, -5}}, ";h", ";h   ...to hexadecimal", {{H, 4294967291.0, "&&FFFFFFFB"}},
     true, {{D, -5}}},
    {"FractionToHexDoesNothing", {{D, 2.5}}, ";h", ";h   ...to hexadecimal", {{D, 2.5}}, false,
     {{D, 2.5}}},
    {"TooLargeForBinary", {{D, 4294967296.0}}, ";b", "OVERFLOW", {{D, 4294967296.0}}, true,
     {{D, 4294967296.0}}},
};
INSTANTIATE_TEST_SUITE_P(BaseChange, FamilyTest, ::testing::ValuesIn(kBaseChange), CaseName);

const Case kTrigonometry[] = {
    {"DegAsinOneIsExactly90", {{D, 1}}, ";;as", ";;as ...arcsin", {{D, 90}}, true, {{D, 1}}, true},
    {"DegAcosMinusOneIsExactly180", {{D, -1}}, ";;ac", ";;ac ...arccos", {{D, 180}}, true, {{D, -1}}, true},
    {"DegSin180IsExactlyZero", {{D, 180}}, ";;s", ";;s  ...sin", {{D, 0}}, true, {{D, 180}}, true},
    {"DegSinUsesRoundedAngle", {{D, 180.3}}, ";;s", ";;s  ...sin", {{D, 0}}, true, {{D, 180.3}}, true},
    {"DegCosUsesRoundedAngle", {{D, 89.6}}, ";;c", ";;c  ...cos", {{D, 0}}, true, {{D, 89.6}}, true},
    {"DegCos270IsExactlyZero", {{D, 270}}, ";;c", ";;c  ...cos", {{D, 0}}, true, {{D, 270}}, true},
    {"DegSin30", {{D, 30}}, ";;s", ";;s  ...sin", {{D, 0.5}}, true, {{D, 30}}, true, 1e-15},
    // The product first, then the division, with PiValue: these digits depend on both.
    {"DegTangentOf13", {{D, 13}}, ";;t", ";;t  ...tan", {{D, 0.2308681911255629}}, true, {{D, 13}}, true},
    {"DegTangentOf45", {{D, 45}}, ";;t", ";;t  ...tan", {{D, 0.9999999999999983}}, true, {{D, 45}}, true},
    {"DegArcTangentOfHalf", {{D, 0.5}}, ";;at", ";;at ...arctan", {{D, 26.56505117707802}}, true,
     {{D, 0.5}}, true},
    {"DegAsinOfTwo", {{D, 2}}, ";;as", "BAD ARGUMENT", {{D, 2}}, true, {{D, 2}}, true},
    {"DegSinBeyond32Bits", {{D, 3e9}}, ";;s", "OVERFLOW", {{D, 3e9}}, true, {{D, 3e9}}, true},
    {"RadAsinOneUsesPiValue", {{D, 1}}, ";;as", ";;as ...arcsin", {{D, PiValue / 2}}, true, {{D, 1}}},
    {"RadAcosMinusOneIsPiValue", {{D, -1}}, ";;ac", ";;ac ...arccos", {{D, PiValue}}, true, {{D, -1}}},
    // 2 x arctan(1): the full-precision half pi, not PiValue / 2.
    {"RadAcosZero", {{D, 0}}, ";;ac", ";;ac ...arccos", {{D, 1.5707963267948966}}, true, {{D, 0}}},
    {"RadAcosOne", {{D, 1}}, ";;ac", ";;ac ...arccos", {{D, 0}}, true, {{D, 1}}},
    {"RadSinHasNoDegreeZeros", {{D, 180}}, ";;s", ";;s  ...sin", {{D, -0.80115263573383}}, true,
     {{D, 180}}, false, 1e-14},
};
INSTANTIATE_TEST_SUITE_P(Trigonometry, FamilyTest, ::testing::ValuesIn(kTrigonometry), CaseName);

TEST_F(CommandTest, PiValueIsTheShortDecimalPi) {
    EXPECT_EQ(PiValue, 3.14159265358979);
    EXPECT_LT(PiValue, M_PI);
}

// The remainder keeps the sign of the angle, and a negative quarter turn is computed.
TEST_F(CommandTest, DegreeExactZerosFollowTheSignOfTheAngle) {
    calc.SetAngleRadians(false);
    Load({{D, -90}});
    Type(";;c");
    const double v = calc.Stack().GetTop().value;
    EXPECT_NE(v, 0.0);
    EXPECT_LT(std::fabs(v), 1e-14);
    calc.Stack().Clear();
    Load({{D, 90}});
    Type(";;t");
    EXPECT_GT(calc.Stack().GetTop().value, 1e14);  // large, yet no error
}

TEST(ToInt32, RoundsHalfToEvenAndRaisesOutsideTheRange) {
    const struct { double in; int32_t out; } kRounds[] = {
        {2.5, 2}, {3.5, 4}, {-2.5, -2}, {-2147483648.5, INT32_MIN}, {2147483647.4, INT32_MAX}};
    for (const auto& r : kRounds) EXPECT_EQ(ToInt32(r.in), r.out) << r.in;
    for (double out : {2147483647.5, -2147483649.0, 1e10}) {
        try {
            ToInt32(out);
            ADD_FAILURE() << out << " did not raise";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.code(), kOverflow) << out;
        }
    }
}

}  // namespace quorva::test
