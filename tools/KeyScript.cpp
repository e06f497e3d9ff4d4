#include "KeyScript.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "Commands.h"

namespace quorva::keys {

namespace {

// The key of a character on a US keyboard, and whether it needs Shift.
std::pair<int16_t, int16_t> UsKey(char32_t c) {
    if (c >= '0' && c <= '9') return {static_cast<int16_t>(c), 0};
    if (c >= 'a' && c <= 'z') return {static_cast<int16_t>(c - 'a' + 'A'), 0};
    if (c >= 'A' && c <= 'Z') return {static_cast<int16_t>(c), 1};
    struct Key {
        char c;
        int16_t code;
        int16_t shift;
    };
    static constexpr Key kKeys[] = {
        {' ', 32, 0},  {'.', 190, 0}, {',', 188, 0}, {'\'', 222, 0}, {';', 186, 0},  {'=', 187, 0},
        {'-', 189, 0}, {'/', 191, 0}, {'`', 192, 0}, {'[', 219, 0},  {'\\', 220, 0}, {']', 221, 0},
        {')', 48, 1},  {'!', 49, 1},  {'@', 50, 1},  {'#', 51, 1},   {'$', 52, 1},   {'%', 53, 1},
        {'^', 54, 1},  {'&', 55, 1},  {'*', 56, 1},  {'(', 57, 1},   {':', 186, 1},  {'+', 187, 1},
        {'<', 188, 1}, {'_', 189, 1}, {'>', 190, 1}, {'?', 191, 1},  {'~', 192, 1},  {'{', 219, 1},
        {'|', 220, 1}, {'}', 221, 1}, {'"', 222, 1},
    };
    for (const Key& k : kKeys)
        if (static_cast<char32_t>(static_cast<unsigned char>(k.c)) == c) return {k.code, k.shift};
    return {0, 0};
}

// A decimal integer: optional "-", then digits only.
std::optional<int> ParseInt(std::string_view s) {
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && s[i] == '-') {
        negative = true;
        ++i;
    }
    if (i == s.size()) return std::nullopt;
    long long v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return std::nullopt;
        v = v * 10 + (s[i] - '0');
        if (v > 1000000) return std::nullopt;  // out of every range anyway
    }
    return static_cast<int>(negative ? -v : v);
}

// One code point from UTF-8 text; a stray byte stands for itself.
char32_t NextChar(const std::string& text, size_t& i) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    char32_t c = extra == 0 ? b : (b & (0x3F >> extra));
    size_t j = i + 1;
    for (; extra > 0 && j < text.size() && (text[j] & 0xC0) == 0x80; --extra, ++j)
        c = (c << 6) | (text[j] & 0x3F);
    if (extra > 0) {
        c = b;
        j = i + 1;
    }
    i = j;
    return c;
}

const char* StateName(EntryState st) {
    switch (st) {
        case EntryState::Idle:
            return "idle";
        case EntryState::Decimal:
            return "decimal";
        case EntryState::Binary:
            return "binary";
        case EntryState::Hex:
            return "hexadecimal";
        case EntryState::Command:
            return "command";
    }
    return "idle";
}

}  // namespace

const std::vector<std::string_view>& SetKeys() {
    static const std::vector<std::string_view> keys = {
        "FillDecimals",      "KeepFullPrecision", "UpdateStackOnDecimal",
        "EngineeringFormat", "Decimals",          "Radians"};
    return keys;
}

bool ApplySet(std::string_view line, SettingsContext& ctx) {
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) return false;
    const auto& keys = SetKeys();
    if (std::find(keys.begin(), keys.end(), line.substr(0, eq)) == keys.end()) return false;
    ApplySettingsLine(line, ctx);
    return true;
}

Step Typed(char32_t c) {
    Step s(Action::Type);
    auto [code, shift] = UsKey(c);
    s.code = code;
    s.shift = shift;
    s.ch = static_cast<int16_t>(c > 0x7FFF ? 0x7FFF : c);
    return s;
}

Step Named(const std::string& token) {
    const std::string_view name = std::string_view(token).substr(1, token.size() - 2);
    auto keyDown = [](int16_t code, int16_t shift = 0) {
        Step s(Action::KeyDown);
        s.code = code;
        s.shift = shift;
        return s;
    };
    auto keyDownPress = [](int16_t code, int16_t shift, int16_t ch) {
        Step s(Action::KeyDownPress);
        s.code = code;
        s.shift = shift;
        s.ch = ch;
        return s;
    };
    Step s(Action::Type);
    bool known = true;
    if (name == "Enter")
        s = keyDownPress(kKeyEnter, 0, 13);
    else if (name == "Esc")
        s = keyDownPress(kKeyEscape, 0, 27);
    else if (name == "BS")
        s = keyDownPress(kKeyBack, 0, 8);
    else if (name == "Del")
        s = keyDown(kKeyDelete);
    else if (name == "Up")
        s = keyDown(kKeyUp);
    else if (name == "Down")
        s = keyDown(kKeyDown);
    else if (name == "F1")
        s = keyDown(kKeyF1);
    else if (name == "F2")
        s = keyDown(kKeyF2);
    else if (name == "F3")
        s = keyDown(kKeyF3);
    else if (name == "F4")
        s = keyDown(kKeyF4);
    else if (name == "C-c")
        s = keyDownPress(kKeyC, 2, 3);
    else if (name == "C-v")
        s = keyDownPress(kKeyV, 2, 22);
    else if (name == "C-S-c")
        s = keyDownPress(kKeyC, 3, 3);
    else if (name == "C-S-v")
        s = keyDownPress(kKeyV, 3, 22);
    else if (name == "Space")
        s = Typed(' ');
    else if (name == "lt")
        s = Typed('<');
    else if (name == "tick")
        s = Step(Action::Tick);
    else if (name == "move")
        s = Step(Action::Move);
    else {
        struct Numbered {
            std::string_view prefix;
            Action action;
            int low, high;  // high < low: checked when the step runs
        };
        static constexpr Numbered kNumbered[] = {
            {"row:", Action::Row, -1, -2},
            {"fn:", Action::Fn, 0, 39},  // 0: a press on no row
            {"angle:", Action::Angle, 0, 1},
            {"places:", Action::Places, -1, 15},  // -1: no row chosen
        };
        known = false;
        for (const Numbered& n : kNumbered) {
            if (!name.starts_with(n.prefix)) continue;
            auto v = ParseInt(name.substr(n.prefix.size()));
            if (!v || *v < n.low || (n.high >= n.low && *v > n.high)) break;
            s = Step(n.action);
            s.number = *v;
            known = true;
            break;
        }
    }
    if (!known) throw Failure{"unknown token: " + token};
    s.token = token;
    return s;
}

std::vector<Step> ParseScript(const std::string& script) {
    std::vector<Step> steps;
    size_t i = 0;
    while (i < script.size()) {
        const char c = script[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') {
            ++i;
        } else if (c == '<') {
            size_t end = i + 1;
            while (end < script.size() && script[end] != '>' && script[end] != '<' &&
                   script[end] != ' ' && script[end] != '\t' && script[end] != '\n')
                ++end;
            if (end >= script.size() || script[end] != '>')
                throw Failure{"unknown token: " + script.substr(i, end - i)};
            const std::string token = script.substr(i, end - i + 1);
            // <NAME*N>: the key, action or character NAME N times over
            const size_t star = token.rfind('*');
            std::optional<int> times;
            if (star != std::string::npos && star > 1)
                times = ParseInt(std::string_view(token).substr(star + 1, token.size() - star - 2));
            if (times) {
                if (*times < 1 || *times > 100000) throw Failure{"unknown token: " + token};
                const std::string name = token.substr(1, star - 1);
                size_t at = 0;
                const char32_t c = NextChar(name, at);
                const Step step = at == name.size() ? Typed(c) : Named("<" + name + ">");
                steps.insert(steps.end(), static_cast<size_t>(*times), step);
            } else {
                steps.push_back(Named(token));
            }
            i = end + 1;
        } else {
            steps.push_back(Typed(NextChar(script, i)));
        }
    }
    return steps;
}

void Run(const Step& s, Calculator& calc) {
    switch (s.action) {
        case Action::Type:
        case Action::KeyDownPress:
            calc.KeyDown(s.code, s.shift, s.window);
            calc.CharacterTyped(s.ch);
            break;
        case Action::KeyDown:
            calc.KeyDown(s.code, s.shift, s.window);
            break;
        case Action::Tick:
            calc.EntryTimerFired();
            break;
        case Action::Row:
            if (s.number >= static_cast<int>(calc.Views().largeRows.size()))
                throw Failure{"unknown token: " + s.token + " (no such row)"};
            calc.SetLargeSelected(s.number);
            break;
        case Action::Move:
            calc.MoveSelectedToTop();
            break;
        case Action::Fn:
            calc.SetFunctionRow(s.number - 1);
            RunFunctionRow(calc);
            break;
        case Action::Angle:
            ChooseAngleRow(calc, s.number);
            break;
        case Action::Places:
            ChooseDecimalsRow(calc, s.number);
            break;
    }
}

std::string OnlyLines(const std::string& report, const std::string& names) {
    static const std::string_view kNames[] = {"entry", "state", "timer", "stack", "large", "selected", "items",
                                              "undo", "places", "angle", "windows", "function-row", "clipboard"};
    std::vector<std::string> wanted;
    for (size_t pos = 0; pos <= names.size();) {
        size_t end = names.find(',', pos);
        if (end == std::string::npos) end = names.size();
        std::string name = names.substr(pos, end - pos);
        const bool item = name.starts_with("item ") && ParseInt(std::string_view(name).substr(5)).value_or(0) > 0;
        if (!item && std::find(std::begin(kNames), std::end(kNames), name) == std::end(kNames))
            throw Failure{"--only: no such line: " + name};
        wanted.push_back(std::move(name));
        pos = end + 1;
    }
    std::string out;
    bool keep = false;
    for (size_t pos = 0; pos < report.size();) {
        const size_t end = report.find('\n', pos) + 1;
        const std::string_view line = std::string_view(report).substr(pos, end - pos);
        if (line[0] != '|') {  // "|" lines go with the named line above them
            const std::string_view name = line.substr(0, line.find(':'));
            keep = std::find(wanted.begin(), wanted.end(), name) != wanted.end();
        }
        if (keep) out += line;
        pos = end;
    }
    return out;
}

std::string Report(const Calculator& calc, const DriverHost& host) {
    std::string out;
    auto line = [&out](std::string_view a, std::string_view b = {}) {
        out += a;
        out += b;
        out += '\n';
    };
    line("entry: ", calc.EntryCaption());
    line("state: ", StateName(calc.State()));
    line("timer: ", calc.TimerRunning() ? "on" : "off");
    line("stack:");
    std::string_view caption = calc.Views().stackCaption;
    for (size_t pos = 0; pos < caption.size();) {
        size_t end = caption.find("\r\n", pos);
        if (end == std::string_view::npos) end = caption.size();
        line("|", caption.substr(pos, end - pos));
        pos = end + 2;
    }
    const auto& rows = calc.Views().largeRows;
    line("large: ", std::to_string(rows.size()));
    for (const std::string& row : rows) line("|", row);
    line("selected: ", std::to_string(calc.LargeSelected()));
    const OperandStack& stack = calc.Stack();
    line("items: ", std::to_string(stack.StackCount()));
    for (int n = 1; n <= stack.StackCount(); ++n) {
        const StackItem& item = stack.ItemRef(n);
        char value[40];
        std::snprintf(value, sizeof value, "%.17g", item.value);
        line("item " + std::to_string(n) + ": kind=" + std::to_string(item.kind) +
             " value=" + value + " text=" + item.text);
    }
    line("undo: ", stack.UndoAvailable() ? "yes" : "no");
    line("places: ", std::to_string(calc.DecimalPlaces()));
    line("angle: ", calc.AngleRadians() ? "rad" : "deg");
    line(std::string("windows: functions=") + (host.functionsShown ? "shown" : "hidden") +
         " large=" + (host.largeShown ? "shown" : "hidden"));
    line("function-row: ", std::to_string(calc.FunctionRow()));
    line("clipboard: ", host.clipboard);
    return out;
}

}  // namespace quorva::keys
