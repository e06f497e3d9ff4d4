#include "NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

#include "Errors.h"

namespace quorva {

namespace {

constexpr double kTwoTo32 = 4294967296.0;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsSeparator(char c) {
    return c == '.' || c == ',';
}
bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The reader skips these anywhere inside a number.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The 15-significant-digit text in the C locale, exponent as "E+20".
std::string GeneralDot(double v) {
    if (std::isnan(v)) return "nan";
    if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
    char buf[40];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
    std::string out(buf, res.ptr);
    if (auto e = out.find('e'); e != std::string::npos) out[e] = 'E';
    return out;
}

// Round the digit string digits (integer part of intLen digits, then the fraction) to keep
// intLen + places digits, ties to even on the digits themselves. Returns the new integer
// length (one more when the carry runs off the front).
size_t RoundDigits(std::string& digits, size_t intLen, size_t places) {
    const size_t keep = intLen + places;
    if (digits.size() <= keep) return intLen;
    const char first = digits[keep];
    bool up = first > '5';
    if (first == '5') {
        bool tail =
            std::any_of(digits.begin() + keep + 1, digits.end(), [](char c) { return c != '0'; });
        // An exact half goes to the even neighbour; "0.5" to 0 places keeps the 0.
        up = tail || (keep > 0 && ((digits[keep - 1] - '0') & 1));
    }
    digits.resize(keep);
    if (!up) return intLen;
    size_t i = keep;
    while (i > 0) {
        --i;
        if (digits[i] != '9') {
            ++digits[i];
            return intLen;
        }
        digits[i] = '0';
    }
    digits.insert(digits.begin(), '1');
    return intLen + 1;
}

// Rounds I.F to p places on the digits; I and F are replaced by the parts of the general text
// of the result (integer without leading zeros, fraction without trailing zeros).
void RoundParts(std::string& integer, std::string& fraction, int places) {
    std::string digits = integer + fraction;
    size_t intLen = RoundDigits(digits, integer.size(), static_cast<size_t>(places));
    integer.assign(digits, 0, intLen);
    fraction.assign(digits, intLen, std::string::npos);
    size_t nz = integer.find_first_not_of('0');
    if (nz == std::string::npos)
        integer = "0";
    else if (nz > 0)
        integer.erase(0, nz);
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
}

}  // namespace

std::string GeneralText(double v, char separator) {
    std::string t = GeneralDot(v);
    if (separator != '.') std::replace(t.begin(), t.end(), '.', separator);
    return t;
}

std::string SignedText(double v, char separator) {
    std::string t = GeneralText(v, separator);
    if (v >= 0) t.insert(t.begin(), '+');
    return t;
}

TextParts SplitText(std::string_view t) {
    TextParts p;
    if (!t.empty() && t.front() == '-') p.sign = "-";
    std::string_view body = t.substr(p.sign.size());
    const size_t sep = body.find_first_of(".,");
    const size_t e = body.find('E');
    if (sep != std::string_view::npos) {
        p.integer = body.substr(0, sep);
        size_t fe = body.find('E', sep + 1);
        p.fraction = body.substr(sep + 1, fe == std::string_view::npos ? fe : fe - sep - 1);
    } else {
        p.integer = body.substr(0, e);
    }
    if (e != std::string_view::npos) p.exponent = body.substr(e + 1);
    return p;
}

std::string EngineeringText(std::string_view t, char separator) {
    TextParts p = SplitText(t);
    if (p.integer == "0" && p.fraction.empty()) return "0";
    const double ev = RoundHalfEven(LeadingNumberValue(p.exponent));
    int k = static_cast<int>(p.integer.size()) - 1 +
            static_cast<int>(std::clamp(ev, -32768.0, 32767.0));
    std::string d = p.integer + p.fraction + "000";
    size_t lead = 0;
    while (lead + 1 < d.size() && d[lead] == '0') {
        ++lead;
        --k;
    }
    d.erase(0, lead);
    int m = 1;
    while (k % 3 != 0) {
        ++m;
        --k;
    }
    std::string out = p.sign;
    out.append(d, 0, m);
    std::string frac = d.substr(m);
    while (!frac.empty() && frac.back() == '0') frac.pop_back();
    if (!frac.empty()) {
        out += separator;
        out += frac;
    }
    std::string exp = SignedText(k, separator);
    if (exp != "+0" && exp != "0") {
        out += 'E';
        out += exp;
    }
    return out;
}

std::string DecimalText(double v, const DecimalFormat& f) {
    if (!std::isfinite(v)) return GeneralText(v, f.separator);
    if (v == 0) v = 0.0;  // negative zero shows as 0; only a rounded negative value keeps "-"
    const int places = std::clamp(f.places, 0, 15);
    std::string t = GeneralText(v, f.separator);
    if (f.engineering) t = EngineeringText(t, f.separator);
    TextParts p = SplitText(t);
    if (p.fraction.size() > static_cast<size_t>(places)) {
        RoundParts(p.integer, p.fraction, places);
    }
    if (f.fill) {
        p.fraction.resize(static_cast<size_t>(places), '0');
    }
    std::string out;
    out.reserve(p.sign.size() + p.integer.size() + p.fraction.size() + p.exponent.size() + 2);
    out += p.sign;
    out += p.integer;
    if (!p.fraction.empty()) {
        out += f.separator;
        out += p.fraction;
    }
    if (!p.exponent.empty()) {
        out += 'E';
        out += p.exponent;
    }
    return out;
}

std::string BinaryText(double v) {
    if (v >= kTwoTo32) Raise(kOverflow);
    if (v < 0) v += kTwoTo32;
    std::string out = "'";
    double bit = 2147483648.0;
    for (int i = 31; i >= 0; --i, bit /= 2) {
        if (v >= bit) {
            out += '1';
            v -= bit;
        } else if (out.size() > 1) {
            out += '0';
        }
    }
    if (out.size() == 1) out += '0';
    return out;
}

std::string HexText(double v) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    if (v >= kTwoTo32) Raise(kOverflow);
    if (v < 0) v += kTwoTo32;
    std::string out = "&&";
    double place = 268435456.0;  // 16^7
    for (int i = 7; i >= 0; --i, place /= 16) {
        const double d = std::trunc(v / place);
        if (d > 0) {
            out += kDigits[static_cast<int>(std::min(d, 15.0))];
            v -= d * place;
        } else if (out.size() > 2) {
            out += '0';
        }
    }
    if (out.size() == 2) out += '0';
    return out;
}

double LeadingNumberValue(std::string_view text) {
    // Collect the number without its blanks, then let the correctly rounded reader do the rest.
    std::string num;
    num.reserve(text.size());
    size_t i = 0;
    const size_t n = text.size();
    auto skipBlanks = [&] {
        while (i < n && IsBlank(text[i])) ++i;
    };
    skipBlanks();
    bool negative = false;
    if (i < n && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    int intDigits = 0;         // significant digits before the point
    int leadingFracZeros = 0;  // zeros after the point before the first significant digit
    bool seenPoint = false, seenDigit = false, seenSignificant = false;
    for (;;) {
        skipBlanks();
        if (i >= n) break;
        const char c = text[i];
        if (IsDigit(c)) {
            seenDigit = true;
            if (c != '0') seenSignificant = true;
            if (!seenPoint && seenSignificant) ++intDigits;
            if (seenPoint && !seenSignificant) ++leadingFracZeros;
            num += c;
        } else if (c == '.' && !seenPoint) {
            seenPoint = true;
            num += c;
        } else {
            break;
        }
        ++i;
    }
    if (!seenDigit) return 0.0;
    long long exponent = 0;
    if (i < n && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
        size_t j = i + 1;
        auto skip = [&] {
            while (j < n && IsBlank(text[j])) ++j;
        };
        skip();
        bool expNegative = false;
        if (j < n && (text[j] == '-' || text[j] == '+')) {
            expNegative = text[j] == '-';
            ++j;
        }
        std::string expDigits;
        for (;;) {
            skip();
            if (j >= n || !IsDigit(text[j])) break;
            expDigits += text[j];
            if (exponent < 100000000) exponent = exponent * 10 + (text[j] - '0');
            ++j;
        }
        if (!expDigits.empty()) {
            num += expNegative ? "e-" : "e";
            num += expDigits;
            if (expNegative) exponent = -exponent;
        }
    }
    double v = 0.0;
    auto res = std::from_chars(num.data(), num.data() + num.size(), v);
    if (res.ec == std::errc::result_out_of_range) {
        // Out of range either way: the magnitude of the first significant digit decides.
        const long long magnitude =
            (intDigits > 0 ? intDigits - 1 : -(leadingFracZeros + 1)) + exponent;
        v = (seenSignificant && magnitude > 0) ? HUGE_VAL : 0.0;
    }
    return negative ? -v : v;
}

double HexValue(std::string_view text) {
    double v = 0.0;
    for (size_t i = 2; i < text.size(); ++i) {
        const char c = text[i];
        int d = 0;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        v = v * 16 + d;
    }
    return v;
}

double BinaryValue(std::string_view text) {
    double v = 0.0;
    for (size_t i = 1; i < text.size(); ++i) v = v * 2 + (text[i] == '1' ? 1 : 0);
    return v;
}

double LocaleValue(std::string_view text, char separator) {
    if (separator == '.') return LeadingNumberValue(text);
    std::string t(text);
    std::replace(t.begin(), t.end(), separator, '.');
    return LeadingNumberValue(t);
}

double RoundHalfEven(double v) {
    return std::nearbyint(v);
}

std::string_view Trimmed(std::string_view s) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const size_t first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

bool IsHexadecimal(std::string& text) {
    if (text.empty() || text[0] != '&') return false;
    if (text.size() < 2 || text[1] != '&') text.insert(text.begin(), '&');
    return std::all_of(text.begin() + 2, text.end(), IsHexDigit);
}

bool IsBinary(std::string_view text) {
    if (text.empty() || text[0] != '\'') return false;
    return std::all_of(text.begin() + 1, text.end(), [](char c) { return c == '0' || c == '1'; });
}

bool IsDecimal(std::string_view text) {
    size_t i = 0;
    const size_t n = text.size();
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    bool digit = false, separator = false;
    for (; i < n; ++i) {
        if (IsDigit(text[i]))
            digit = true;
        else if (IsSeparator(text[i]) && !separator)
            separator = true;
        else
            break;
    }
    if (!digit) return false;
    if (i < n && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
        const size_t digits = i;
        while (i < n && IsDigit(text[i])) ++i;
        if (i == digits) return false;
    }
    return i == n;
}


}  // namespace quorva
