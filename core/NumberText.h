#pragma once
// Texts of numbers and their values. Made in the "C" locale; the user's decimal separator is a
// setting given here, never read from the environment.

#include <cstdint>
#include <string>
#include <string_view>

namespace quorva {

struct TextParts {
    std::string sign;      // "-" or empty
    std::string integer;   // digits before the separator (or before "E")
    std::string fraction;  // digits after the separator, before "E"
    std::string exponent;  // after "E": sign and digits, e.g. "+15", "-05"; or empty
};

// What shapes a decimal text: the number of decimal places and the display options.
struct DecimalFormat {
    int places = 15;          // clamped to 0..15 when used
    bool fill = true;         // chkFillDec
    bool engineering = true;  // chkEngFmt
    char separator = '.';     // the locale's decimal separator: '.' or ','
};

// %.15G with the given separator; "inf", "-inf", "nan" for values that are not finite.
std::string GeneralText(double v, char separator = '.');
// "+" and the general text for v >= 0, the general text alone for a negative v.
std::string SignedText(double v, char separator = '.');
TextParts SplitText(std::string_view t);
// The engineering form of a general text t (12345 -> 12.345E+3).
std::string EngineeringText(std::string_view t, char separator = '.');
std::string DecimalText(double v, const DecimalFormat& f);
// Raise the overflow error for 2^32 or more.
std::string BinaryText(double v);
std::string HexText(double v);  // "&&" + upper-case digits

// Value readers. The leading-number value takes "." as separator; LocaleValue reads a text made
// by DecimalText with the given separator (it reads the separator as the point).
double LeadingNumberValue(std::string_view text);
double HexValue(std::string_view text);
double BinaryValue(std::string_view text);
double LocaleValue(std::string_view text, char separator);

// Whole texts as a paste may bring them. IsHexadecimal may put the second "&" in front.
bool IsHexadecimal(std::string& text);
bool IsBinary(std::string_view text);
bool IsDecimal(std::string_view text);  // sign, digits with one "." or ",", optional exponent
// Without the blanks and line ends around it.
std::string_view Trimmed(std::string_view s);

// Nearest integer, halves to the even neighbour.
double RoundHalfEven(double v);

}  // namespace quorva
