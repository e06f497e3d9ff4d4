// Text makers and value readers.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "Errors.h"
#include "NumberText.h"

namespace quorva {
namespace {

const double kInf = std::numeric_limits<double>::infinity();

TEST(GeneralText, FifteenDigitsAndScientificBeyondTheRange) {
    struct Row {
        double v;
        char sep;
        const char* text;
    } rows[] = {
        {0, '.', "0"},
        {1.5, '.', "1.5"},
        {-2.5, '.', "-2.5"},
        {2.0 / 3, '.', "0.666666666666667"},
        {123456789012345, '.', "123456789012345"},
        {1e15, '.', "1E+15"},
        {1.5e20, '.', "1.5E+20"},
        {0.0001, '.', "0.0001"},
        {1e-5, '.', "1E-05"},
        {1.5, ',', "1,5"},
        {-1.25e-7, ',', "-1,25E-07"},
    };
    for (const Row& r : rows) EXPECT_EQ(GeneralText(r.v, r.sep), r.text) << r.v;
}

TEST(GeneralText, DecisionNonFiniteValuesReadInfAndNan) {
    EXPECT_EQ(GeneralText(kInf), "inf");
    EXPECT_EQ(GeneralText(-kInf), "-inf");
    EXPECT_EQ(GeneralText(std::nan("")), "nan");
    DecimalFormat f;
    EXPECT_EQ(DecimalText(-kInf, f), "-inf");
}

TEST(SignedText, PlusForZeroAndPositive) {
    EXPECT_EQ(SignedText(3), "+3");
    EXPECT_EQ(SignedText(0), "+0");
    EXPECT_EQ(SignedText(-6), "-6");
}

TEST(SplitText, FourParts) {
    struct Row {
        const char* t;
        TextParts parts;
    } rows[] = {
        {"-12.5E+3", {"-", "12", "5", "+3"}}, {"1E-05", {"", "1", "", "-05"}},
        {"0,25", {"", "0", "25", ""}},        {"42", {"", "42", "", ""}},
        {"-7", {"-", "7", "", ""}},
    };
    for (const Row& r : rows) {
        TextParts p = SplitText(r.t);
        EXPECT_EQ(p.sign, r.parts.sign) << r.t;
        EXPECT_EQ(p.integer, r.parts.integer) << r.t;
        EXPECT_EQ(p.fraction, r.parts.fraction) << r.t;
        EXPECT_EQ(p.exponent, r.parts.exponent) << r.t;
    }
}

TEST(EngineeringText, ExponentIsAMultipleOfThree) {
    struct Row {
        const char* general;
        const char* eng;
    } rows[] = {
        {"12345", "12.345E+3"},
        {"0.00012", "120E-6"},
        {"1", "1"},
        {"0", "0"},
        {"1234567", "1.234567E+6"},
        {"1E+20", "100E+18"},
        {"-1.5E-05", "-15E-6"},
        {"1000", "1E+3"},
        {"0.5", "500E-3"},
    };
    for (const Row& r : rows) EXPECT_EQ(EngineeringText(r.general), r.eng) << r.general;
    EXPECT_EQ(EngineeringText("12,345", ','), "12,345");
}

struct DecimalRow {
    double v;
    int places;
    bool fill, eng;
    char sep;
    const char* text;
};

TEST(DecimalText, PlacesFillAndEngineering) {
    const DecimalRow rows[] = {
        {2.0 / 3, 4, false, false, '.', "0.6667"},
        {2.0 / 3, 4, false, false, ',', "0,6667"},
        {1.5, 3, true, false, '.', "1.500"},
        {5, 2, true, false, '.', "5.00"},
        {5, 2, false, false, '.', "5"},
        {0.125, 2, false, false, '.', "0.12"},
        {1e20, 15, false, false, '.', "1E+20"},
        {1e20, 2, true, false, '.', "1.00E+20"},
        {0.5, 0, false, false, '.', "0"},
        {1.5, 0, false, false, '.', "2"},
        {-1234.5678, 2, true, false, '.', "-1234.57"},
        {9.999e-5, 2, false, false, '.', "10E-05"},  // a mantissa that rounds up stays 10
        {0, 3, true, true, '.', "0.000"},
        {0, 3, false, true, '.', "0"},
        {1234567, 15, false, true, '.', "1.234567E+6"},
        {1.0 / 3, 15, true, true, '.', "333.333333333333000E-3"},
        {12345, 2, true, true, '.', "12.34E+3"},           // the mantissa's tie goes to even
        {1.5, 20, true, false, '.', "1.500000000000000"},  // places clamped to 15
        {1.5, -3, false, false, '.', "2"},
    };
    for (const DecimalRow& r : rows) {
        DecimalFormat f{r.places, r.fill, r.eng, r.sep};
        EXPECT_EQ(DecimalText(r.v, f), r.text) << r.v << " p=" << r.places;
    }
}

TEST(DecimalText, DecisionTieIsDecidedOnTheVisibleDigits) {
    // 2.675 is stored as 2.67499999..., but the user sees 2.675: the tie goes to the even 8.
    const DecimalRow rows[] = {
        {2.675, 2, false, false, '.', "2.68"}, {12.345, 2, false, false, '.', "12.34"},
        {0.125, 2, false, false, '.', "0.12"}, {2.5, 0, false, false, '.', "2"},
        {0.135, 2, false, false, '.', "0.14"},
    };
    for (const DecimalRow& r : rows) {
        DecimalFormat f{r.places, r.fill, r.eng, r.sep};
        EXPECT_EQ(DecimalText(r.v, f), r.text) << r.v;
    }
    EXPECT_EQ(RoundToPlaces(2.675, 2), 2.68);
    EXPECT_EQ(RoundToPlaces(12.345, 2), 12.34);
    EXPECT_EQ(RoundToPlaces(0.125, 2), 0.12);
    EXPECT_EQ(RoundToPlaces(1.5e-5, 5), 2e-5);
    EXPECT_EQ(RoundToPlaces(-1.005, 2), -1.0);
}

TEST(DecimalText, DecisionNoMinusBeforeAZeroResult) {
    EXPECT_EQ(DecimalText(-0.001, {2, false, false, '.'}), "0");
    EXPECT_EQ(DecimalText(-0.001, {2, true, false, '.'}), "0.00");
    EXPECT_EQ(DecimalText(-0.006, {2, true, false, '.'}), "-0.01");
    EXPECT_FALSE(std::signbit(RoundToPlaces(-0.001, 2)));
}

TEST(BinaryAndHexText, DigitsTwosComplementAndOverflow) {
    const std::string ones32(32, '1');
    struct Row {
        double v;
        std::string bin, hex;
    } rows[] = {
        {255, "'11111111", "&&FF"},
        {0, "'0", "&&0"},
        {16, "'10000", "&&10"},
        {5.5, "'101", "&&5"},
        {-1, "'" + ones32, "&&FFFFFFFF"},
        {4294967295.0, "'" + ones32, "&&FFFFFFFF"},
        {-5, "'11111111111111111111111111111011", "&&FFFFFFFB"},
        {-4294967296.0, "'0", "&&0"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(BinaryText(r.v), r.bin) << r.v;
        EXPECT_EQ(HexText(r.v), r.hex) << r.v;
    }
    for (double big : {4294967296.0, 1e300, kInf}) {
        try {
            BinaryText(big);
            ADD_FAILURE() << "no overflow for " << big;
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.code(), kOverflow);
        }
        try {
            HexText(big);
            ADD_FAILURE() << "no overflow for " << big;
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.code(), kOverflow);
        }
    }
}

TEST(LeadingNumberValue, LongestLeadingNumber) {
    struct Row {
        const char* text;
        double v;
    } rows[] = {
        {"", 0},        {".", 0},   {"-", 0},       {"-.", 0},          {"12", 12},
        {"-0.5", -0.5}, {"7.", 7},  {"1.2.3", 1.2}, {" 1 2 . 5", 12.5}, {"+4", 4},
        {"12abc", 12},  {"abc", 0}, {"2E", 2},      {"2E+", 2},         {".5", 0.5},
    };
    for (const Row& r : rows) EXPECT_EQ(LeadingNumberValue(r.text), r.v) << '"' << r.text << '"';
}

TEST(LeadingNumberValue, DecisionExponentLettersEeDd) {
    for (const char* t : {"1.5e3", "1.5E3", "1.5D3", "1.5d3", "1.5E+3", "15e2"})
        EXPECT_EQ(LeadingNumberValue(t), 1500) << t;
    EXPECT_EQ(LeadingNumberValue("1.5d-3"), 0.0015);
}

TEST(LeadingNumberValue, DecisionLongNumbersAreCorrectlyRounded) {
    EXPECT_EQ(LeadingNumberValue("0.1000000000000000055511151231257827"), 0.1);
    EXPECT_EQ(LeadingNumberValue("9007199254740993"), 9007199254740992.0);  // tie to even
    EXPECT_EQ(LeadingNumberValue("9007199254740995"), 9007199254740996.0);
    EXPECT_EQ(LeadingNumberValue("123456789012345678901234567890"),
              123456789012345678901234567890.0);
}

TEST(LeadingNumberValue, DecisionBeyondTheRangeIsInfinite) {
    EXPECT_EQ(LeadingNumberValue("1e400"), kInf);
    EXPECT_EQ(LeadingNumberValue("-1e400"), -kInf);
    EXPECT_EQ(LeadingNumberValue("1000000e303"), kInf);
    EXPECT_EQ(LeadingNumberValue("100000e303"), 1e308);
    EXPECT_EQ(LeadingNumberValue("1e-400"), 0);
    EXPECT_EQ(LeadingNumberValue("0.00001e-320"), 0);
}

TEST(ValueReaders, HexBinaryAndLocale) {
    EXPECT_EQ(HexValue("&&ff"), 255);
    EXPECT_EQ(HexValue("&&1F"), 31);
    EXPECT_EQ(HexValue("&&FFFFFFFF"), 4294967295.0);
    EXPECT_EQ(HexValue("&&"), 0);
    EXPECT_EQ(BinaryValue("'" + std::string(32, '1')), 4294967295.0);
    EXPECT_EQ(BinaryValue("'101"), 5);
    EXPECT_EQ(BinaryValue("'"), 0);
    EXPECT_EQ(LocaleValue("0,6667", ','), 0.6667);
    EXPECT_EQ(LocaleValue("12,345E+3", ','), 12345);
    EXPECT_EQ(LocaleValue("10E-05", '.'), 1e-4);
}

TEST(RoundHalfEven, HalvesToEven) {
    struct Row {
        double v, r;
    } rows[] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {0.4, 0}, {-0.6, -1}, {1e300, 1e300}};
    for (const Row& r : rows) EXPECT_EQ(RoundHalfEven(r.v), r.r) << r.v;
}

}  // namespace
}  // namespace quorva
