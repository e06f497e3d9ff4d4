#include "Settings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <system_error>

#include "Calculator.h"
#include "Options.h"
#include "TextFile.h"

namespace quorva {

namespace {

constexpr std::string_view kPosX = "WindowPositionX";
constexpr std::string_view kPosY = "WindowPositionY";
constexpr std::string_view kDecimals = "Decimals";
constexpr std::string_view kRadians = "Radians";
constexpr std::string_view kSkinFile = "SkinFile";

// Option keys in the order they are written, around Decimals and Radians.
constexpr Option kBeforeAngle[] = {Option::OnTop, Option::ShowFunctions, Option::Hide,
                                   Option::Transparency};
constexpr Option kAfterAngle[] = {Option::FillDecimals, Option::FullPrecision, Option::DecUpdate,
                                  Option::EngFormat,    Option::DirectExit,    Option::ConfirmExit,
                                  Option::KeepStack};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

double HalfToEven(double v) {
    const double down = std::floor(v);
    const double rest = v - down;
    if (rest > 0.5) return down + 1;
    if (rest < 0.5) return down;
    return std::fmod(down, 2.0) == 0 ? down : down + 1;
}

// X11 keeps window coordinates in 16 bits; anything beyond cannot be a real position.
bool UsablePosition(double px) { return std::isfinite(px) && px >= -32768 && px <= 32767; }

void ApplyOption(Option id, std::string_view value, SettingsContext& ctx) {
    const std::optional<int16_t> read = ReadInt16(value);
    if (!read) return;
    int16_t v = *read;
    if (id == Option::Transparency) {
        v = std::clamp(v, kTransparencyMin, kTransparencyMax);
        ctx.options.Set(id, v);
        ctx.target.SetTransparency(static_cast<uint8_t>(ctx.options.Value(id)));
        return;
    }
    if (v < 0 || v > 2) return;  // a check box holds 0, 1 or 2
    ctx.options.Set(id, v);
    if (id == Option::OnTop) {
        if (ctx.options.On(Option::OnTop)) {
            ctx.target.SetOnTop();
        } else {
            ctx.target.SetNotOnTop();
        }
    } else if (id == Option::ShowFunctions) {
        ctx.target.SetFunctionsWindowShown(ctx.options.On(Option::ShowFunctions));
    }
}

}  // namespace

double ReadNumber(std::string_view s) {
    std::size_t i = 0;
    const std::size_t n = s.size();
    while (i < n && (s[i] == ' ' || s[i] == '\t')) ++i;
    bool negative = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';

    std::string digits;  // significant digits, leading zeros dropped
    long long firstPower = 0;  // power of ten of digits[0]
    bool any = false;
    for (; i < n && IsDigit(s[i]); ++i) {
        any = true;
        if (!digits.empty() || s[i] != '0') digits += s[i];
    }
    firstPower = static_cast<long long>(digits.size()) - 1;
    if (i < n && s[i] == '.') {
        long long position = 0;
        for (++i; i < n && IsDigit(s[i]); ++i) {
            any = true;
            --position;
            if (digits.empty() && s[i] == '0') continue;
            if (digits.empty()) firstPower = position;
            digits += s[i];
        }
    }
    if (!any || digits.empty()) return 0;

    long long exponent = 0;
    if (i < n && (s[i] == 'E' || s[i] == 'e')) {
        std::size_t j = i + 1;
        bool expNegative = false;
        if (j < n && (s[j] == '+' || s[j] == '-')) expNegative = s[j++] == '-';
        if (j < n && IsDigit(s[j])) {
            for (; j < n && IsDigit(s[j]); ++j) {
                exponent = std::min<long long>(exponent * 10 + (s[j] - '0'), 1'000'000);
            }
            if (expNegative) exponent = -exponent;
        }
    }

    const long long power = firstPower + exponent;
    const double inf = std::numeric_limits<double>::infinity();
    if (power > 309) return negative ? -inf : inf;
    if (power < -330) return 0;
    std::string text = digits.substr(0, 1);
    if (digits.size() > 1) {
        text += '.';
        text.append(digits, 1);
    }
    text += 'e';
    text += std::to_string(power);
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    (void)end;
    if (ec == std::errc::result_out_of_range) value = power > 0 ? inf : 0;
    return negative ? -value : value;
}

std::optional<int16_t> ReadInt16(std::string_view value) {
    const double v = ReadNumber(value);
    if (!std::isfinite(v)) return std::nullopt;
    const double r = HalfToEven(v);
    if (r < std::numeric_limits<int16_t>::min() || r > std::numeric_limits<int16_t>::max()) {
        return std::nullopt;
    }
    return static_cast<int16_t>(r);
}

bool ReadRadians(std::string_view value) { return value != "False" && value != "Faux"; }

std::string NumberForm(int v) { return v < 0 ? std::to_string(v) : " " + std::to_string(v); }

std::string NumberForm(float v) {
    if (!std::isfinite(v) || v == 0) v = 0;  // also turns -0 into 0
    char buf[32];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 7);
    std::string text(buf, ec == std::errc{} ? end : buf);
    std::replace(text.begin(), text.end(), 'e', 'E');
    return v < 0 ? text : " " + text;
}

void ApplySettingsLine(std::string_view line, SettingsContext& ctx) {
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return;
    const std::string_view key = line.substr(0, eq);
    const std::string_view value = line.substr(eq + 1);

    if (key == kPosX || key == kPosY) {
        const double px = ReadNumber(value);
        if (!UsablePosition(px)) return;
        if (key == kPosX) {
            ctx.target.SetMainWindowLeft(px);
        } else {
            ctx.target.SetMainWindowTop(px);
        }
    } else if (key == kDecimals) {
        if (const auto v = ReadInt16(value)) ctx.calc.SetDecimalPlaces(*v);
    } else if (key == kRadians) {
        ctx.calc.SetAngleRadians(ReadRadians(value));
    } else if (key == kSkinFile) {
        ctx.skin.skinFile = std::string(value);
    } else {
        for (const OptionInfo& info : OptionTable()) {
            if (key == info.settingsKey) {
                ApplyOption(info.id, value, ctx);
                return;
            }
        }
    }
}

void ApplySettingsText(std::string_view text, SettingsContext& ctx) {
    textfile::ForEachKeyValue(text, kSettingsReadLimit,
                              [&](std::string_view key, std::string_view value) {
                                  // Hand on the whole line: the split belongs to ApplySettingsLine.
                                  const std::string_view line(key.data(),
                                                              key.size() + 1 + value.size());
                                  ApplySettingsLine(line, ctx);
                              });
}

std::string SettingsText(const SettingsContext& ctx) {
    std::string out;
    out.reserve(320);
    auto line = [&out](std::string_view key, const std::string& value) {
        out += key;
        out += '=';
        out += value;
        out += "\r\n";
    };
    line(kPosX, NumberForm(static_cast<float>(ctx.target.MainWindowLeft())));
    line(kPosY, NumberForm(static_cast<float>(ctx.target.MainWindowTop())));
    for (Option id : kBeforeAngle) line(InfoOf(id).settingsKey, NumberForm(ctx.options.Value(id)));
    line(kDecimals, NumberForm(ctx.calc.DecimalPlaces()));
    line(kRadians, ctx.calc.AngleRadians() ? "True" : "False");
    for (Option id : kAfterAngle) line(InfoOf(id).settingsKey, NumberForm(ctx.options.Value(id)));
    line(kSkinFile, ctx.skin.skinFile);
    return out;
}

SettingsResult LoadSettings(const std::string& path, SettingsContext& ctx) {
    SettingsResult result;
    result.path = path;
    textfile::Head head = textfile::ReadHead(path, kSettingsReadLimit);
    if (head.status == textfile::Head::Missing) return result;
    if (head.status == textfile::Head::Failed) {
        result.ok = false;
        result.message = "Cannot read the settings from " + path + ": " + head.error;
        return result;
    }
    result.found = true;
    ApplySettingsText(head.bytes, ctx);
    return result;
}

SettingsResult SaveSettings(const std::string& path, const SettingsContext& ctx) {
    SettingsResult result;
    result.path = path;
    const std::string error = textfile::WriteReplacing(path, SettingsText(ctx));
    if (!error.empty()) {
        result.ok = false;
        result.message = "Cannot save the settings to " + path + ": " + error;
    }
    return result;
}

}  // namespace quorva
