// The texts of stack items and the values read from texts.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "Errors.h"
#include "NumberText.h"

namespace quorva {
namespace {

const double kInf = std::numeric_limits<double>::infinity();

TEST(DecimalText, PlacesFillEngineeringAndSeparator) {
    // Options: 'f' fill, 'e' engineering, ',' the comma separator.
    const struct { double v; int places; std::string options; const char* text; } rows[] = {
        // Fifteen significant digits, the scientific form beyond them.
        {0, 15, "", "0"}, {-2.5, 15, "", "-2.5"}, {2.0 / 3, 15, "", "0.666666666666667"},
        {123456789012345, 15, "", "123456789012345"}, {1e15, 15, "", "1E+15"},
        {1.5e20, 15, "", "1.5E+20"}, {0.0001, 15, "", "0.0001"}, {1e-5, 15, "", "1E-05"},
        {-1.25e-7, 15, ",", "-1,25E-07"},
        // Decision: values that are not finite read as such, whatever the format.
        {kInf, 15, "", "inf"}, {-kInf, 2, "fe", "-inf"}, {std::nan(""), 15, "", "nan"},
        // Engineering: the exponent is a multiple of three.
        {12345, 15, "e", "12.345E+3"}, {0.00012, 15, "e", "120E-6"}, {1, 15, "e", "1"},
        {0, 15, "e", "0"}, {1234567, 15, "e", "1.234567E+6"}, {1e20, 15, "e", "100E+18"},
        {-1.5e-5, 15, "e", "-15E-6"}, {1000, 15, "e", "1E+3"}, {0.5, 15, "e", "500E-3"},
        {12.345, 15, "e,", "12,345"}, {0, 3, "fe", "0.000"}, {0, 3, "e", "0"},
        {1.0 / 3, 15, "fe", "333.333333333333000E-3"},
        {12345, 2, "fe", "12.34E+3"},  // the mantissa's tie goes to even
        // Places and fill.
        {2.0 / 3, 4, "", "0.6667"}, {2.0 / 3, 4, ",", "0,6667"}, {1.5, 3, "f", "1.500"},
        {5, 2, "f", "5.00"}, {5, 2, "", "5"}, {1e20, 15, "", "1E+20"}, {1e20, 2, "f", "1.00E+20"},
        {0.5, 0, "", "0"}, {1.5, 0, "", "2"}, {-1234.5678, 2, "f", "-1234.57"},
        {9.999e-5, 2, "", "10E-05"},  // a mantissa that rounds up stays 10
        {1.5, 20, "f", "1.500000000000000"}, {1.5, -3, "", "2"},  // places clamped to 0..15
        // Decision: a tie is decided on the digits the user sees (2.675 is stored as 2.67499...).
        {2.675, 2, "", "2.68"}, {12.345, 2, "", "12.34"}, {0.125, 2, "", "0.12"},
        {0.135, 2, "", "0.14"}, {2.5, 0, "", "2"}, {0.1251, 2, "", "0.13"},  // over a half: up
        // A negative value rounded to zero keeps its sign, as printf does; -0 itself shows as 0.
        {-0.001, 2, "", "-0"}, {-0.004, 2, "f", "-0.00"}, {-0.006, 2, "f", "-0.01"},
        {-0.4, 0, "", "-0"}, {-0.0004, 2, "fe", "-400.00E-6"},
        {-0.0, 2, "f", "0.00"}, {-0.0, 15, "e", "0"}, {-0.0, 15, "", "0"},
    };
    for (const auto& r : rows) {
        auto has = [&](char c) { return r.options.find(c) != std::string::npos; };
        const DecimalFormat f{r.places, has('f'), has('e'), has(',') ? ',' : '.'};
        EXPECT_EQ(DecimalText(r.v, f), r.text) << r.v << " " << r.places << r.options;
    }
}

TEST(BinaryAndHexText, DigitsTwosComplementAndOverflow) {
    const std::string ones32(32, '1');
    const struct { double v; std::string bin, hex; } rows[] = {
        {255, "'11111111", "&&FF"}, {0, "'0", "&&0"}, {16, "'10000", "&&10"}, {5.5, "'101", "&&5"},
        {-1, "'" + ones32, "&&FFFFFFFF"}, {4294967295.0, "'" + ones32, "&&FFFFFFFF"},
        {-5, "'11111111111111111111111111111011", "&&FFFFFFFB"}, {-4294967296.0, "'0", "&&0"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(BinaryText(r.v), r.bin) << r.v;
        EXPECT_EQ(HexText(r.v), r.hex) << r.v;
    }
    // Which error the user sees is the key cases' (";b" on 4294967296).
    for (double big : {4294967296.0, 1e300, kInf}) {
        EXPECT_THROW(BinaryText(big), RuntimeError) << big;
        EXPECT_THROW(HexText(big), RuntimeError) << big;
    }
}

TEST(LeadingNumberValue, LongestLeadingNumberCorrectlyRounded) {
    const struct { const char* text; double v; } rows[] = {
        {"", 0}, {".", 0}, {"-", 0}, {"-.", 0}, {"12", 12}, {"-0.5", -0.5}, {"7.", 7}, {".5", 0.5},
        {"1.2.3", 1.2}, {" 1 2 . 5", 12.5}, {"+4", 4}, {"12abc", 12}, {"abc", 0}, {"2E", 2},
        // Decision: E, e, D and d all start an exponent.
        {"1.5e3", 1500}, {"1.5D3", 1500}, {"1.5d-3", 0.0015}, {"1.5E+3", 1500}, {"2E+", 2},
        // Correctly rounded; ties go to even.
        {"0.1000000000000000055511151231257827", 0.1},
        {"9007199254740993", 9007199254740992.0}, {"9007199254740995", 9007199254740996.0},
        {"123456789012345678901234567890", 123456789012345678901234567890.0},
        // Decision: beyond the range is infinite, below it zero.
        {"1e400", kInf}, {"-1e400", -kInf}, {"1000000e303", kInf}, {"100000e303", 1e308},
        {"1e-400", 0}, {"0.00001e-320", 0},
    };
    for (const auto& r : rows) EXPECT_EQ(LeadingNumberValue(r.text), r.v) << '"' << r.text << '"';
}

}  // namespace
}  // namespace quorva
