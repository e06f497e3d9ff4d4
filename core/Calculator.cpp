#include "Calculator.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "Errors.h"

namespace quorva {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsLower(char c) {
    return c >= 'a' && c <= 'z';
}
bool IsSeparator(char c) {
    return c == '.' || c == ',';
}
// Characters that start (or, in the idle state, are) a command word.
bool IsOperator(char c) {
    return IsLower(c) || c == '%' || c == ';' || c == '+' || c == '-' || c == '*' || c == '/';
}
bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

Calculator::Calculator(Host& host, OptionsModel& options, char separator)
    : host_(host),
      options_(options),
      separator_(separator == ',' ? ',' : '.'),
      stack_(
          options, [this] { return Format(); }, [this] { Redraw(); }) {
    views_.Rebuild(stack_);  // five blank lines before the first redraw
}

template <class Step>
void Calculator::Guard(Step&& step) {
    try {
        step();
    } catch (const RuntimeError& e) {
        ReportError(e.code());
        Redraw();
    } catch (const std::exception&) {
        ReportError(kBadArgument);
        Redraw();
    }
}

void Calculator::Guarded(const std::function<void()>& step) {
    Guard(step);
}

// ---------------------------------------------------------------- key handlers

void Calculator::Form_KeyDown(int16_t keyCode, int16_t shift, KeyWindow from) {
    tmrEntry_Timer();
    keyDownMessage_ = false;
    Guard([&] {
        switch (keyCode) {
            case kKeyEnter:
                Enter();
                break;
            case kKeyEscape:
                Escape();
                break;
            case kKeyUp:
                if (from == KeyWindow::Main) MoveSelection(-1);
                break;
            case kKeyDown:
                if (from == KeyWindow::Main) MoveSelection(+1);
                break;
            case kKeyDelete:
                DropCommand();
                break;
            case kKeyC:
                if (shift == kShiftCtrl && stack_.StackCount() > 0) CopyItem();
                break;
            case kKeyV:
                if (shift == kShiftCtrl) Paste();
                break;
            case kKeyF1:
                host_.ToggleFunctionsWindow();
                break;
            case kKeyF2:
                host_.ToggleLargeStackWindow();
                break;
            case kKeyF3:
                if (hooks_.toggleAngleMode) hooks_.toggleAngleMode();
                break;
            case kKeyF4:
                if (hooks_.nextDecimalPlaces) hooks_.nextDecimalPlaces();
                break;
            default:
                break;
        }
    });
    // Every key-down of a character key is followed by its key-press; an error that Enter
    // reported must not vanish at that key-press, or a refused push would never be seen.
    keyDownMessage_ = timerRunning_;
}

void Calculator::Form_KeyPress(int16_t ch) {
    if (keyDownMessage_)
        keyDownMessage_ = false;
    else
        tmrEntry_Timer();
    if (ch <= 0 || ch > 127) return;  // no state knows other characters
    const char c = static_cast<char>(ch);
    if (idle_)
        KeyPressIdle(c);
    else if (decimal_)
        KeyPressDecimal(c);
    else if (binary_)
        KeyPressBinary(c);
    else if (hex_)
        KeyPressHex(c);
    else if (command_)
        KeyPressCommand(c);
}

void Calculator::tmrEntry_Timer() {
    StopTimer();
    ShowEntry();
}

void Calculator::Append(std::string_view s) {
    entryText_ += s;
    ShowEntry();
}

bool Calculator::Immediate(char c) {
    switch (c) {
        case 'c':
            Guard([this] { ClearStackCommand(); });
            return true;
        case 'd':
            Guard([this] { DropCommand(); });
            return true;
        case 's':
            Guard([this] { SwapCommand(); });
            return true;
        case 'u':
            Guard([this] { UndoCommand(); });
            return true;
        case 'o':
            if (idle_)
                Guard([this] { ChangeSignCommand(); });
            else
                Guard([this] { ChangeSignOfEntry(); });
            return true;
        default:
            return false;
    }
}

// A character that ends the number being typed: the number is pushed, then the character
// starts what it starts. Each step is guarded on its own, so a failed push still lets it start.
bool Calculator::EndsNumber(char c) {
    if (c == '&') {
        Guard([this] { PushEntry(); });
        Guard([this] {
            BeginHex();
            Append("&&");
        });
        return true;
    }
    if (c == '\'') {
        Guard([this] { PushEntry(); });
        Guard([this] {
            BeginBinary();
            Append("'");
        });
        return true;
    }
    if (IsOperator(c)) {
        Guard([this] { PushEntry(); });
        Guard([this, c] { StartWord(c); });
        return true;
    }
    return false;
}

void Calculator::KeyPressIdle(char c) {
    if (IsDigit(c)) {
        BeginDecimal();
        Append(std::string_view(&c, 1));
    } else if (IsSeparator(c)) {
        BeginDecimal();
        Append(".");
        hasPoint_ = true;
    } else if (c == '&') {
        BeginHex();
        Append("&&");
    } else if (c == '\'') {
        BeginBinary();
        Append("'");
    } else if (c == 'c' || c == 'd' || c == 's' || c == 'o' || c == 'u') {
        Immediate(c);
    } else if (IsOperator(c)) {
        Guard([this, c] { StartWord(c); });
    }
}

void Calculator::KeyPressDecimal(char c) {
    if (IsDigit(c)) {
        Append(std::string_view(&c, 1));
    } else if (IsSeparator(c)) {
        if (!hasPoint_) {
            Append(".");
            hasPoint_ = true;
        }
    } else if (c == kKeyBack) {
        BackspaceEdit();
    } else if (c == 'c' || c == 'd' || c == 's' || c == 'o' || c == 'u') {
        Immediate(c);
    } else {
        EndsNumber(c);
    }
}

void Calculator::KeyPressBinary(char c) {
    if (c == '0' || c == '1') {
        if (entryText_.size() < 33) Append(std::string_view(&c, 1));
    } else if (c == kKeyBack) {
        BackspaceEdit();
    } else if (c == 'c' || c == 'd' || c == 's' || c == 'u') {
        Immediate(c);
    } else {
        EndsNumber(c);
    }
}

void Calculator::KeyPressHex(char c) {
    if (IsDigit(c) || (c >= 'a' && c <= 'f')) {
        if (entryText_.size() < 10) Append(std::string_view(&c, 1));
    } else if (c == kKeyBack) {
        BackspaceEdit();
    } else if (c == 's' || c == 'u') {
        Immediate(c);
    } else {
        EndsNumber(c);
    }
}

void Calculator::KeyPressCommand(char c) {
    if (c == kKeyBack) {
        BackspaceEdit();
    } else if (c == ';' || IsLower(c)) {
        Guard([this, c] {
            Append(std::string_view(&c, 1));
            MatchWord();
        });
    }
}

void Calculator::StartWord(char c) {
    BeginCommandWord();
    Append(std::string_view(&c, 1));
    MatchWord();
}

void Calculator::MatchWord() {
    if (hooks_.matchCommandWord)
        hooks_.matchCommandWord();
    else
        ShowMessage(entryText_ + " ...unknown function");
}

// ---------------------------------------------------------------- entry state

EntryState Calculator::State() const {
    if (idle_) return EntryState::Idle;
    if (decimal_) return EntryState::Decimal;
    if (binary_) return EntryState::Binary;
    if (hex_) return EntryState::Hex;
    return EntryState::Command;
}

void Calculator::SetFlags(bool idle, bool decimal, bool hex, bool binary, bool command) {
    idle_ = idle;
    decimal_ = decimal;
    hex_ = hex;
    binary_ = binary;
    command_ = command;
}

void Calculator::BeginDecimal() {
    SetFlags(false, true, false, false, false);
    positive_ = true;
    hasPoint_ = false;
}

void Calculator::BeginCommandWord() {
    SetFlags(false, false, false, false, true);
    positive_ = hasPoint_ = false;
}

void Calculator::BeginBinary() {
    SetFlags(false, false, false, true, false);
    positive_ = hasPoint_ = false;
}

void Calculator::BeginHex() {
    SetFlags(false, false, true, false, false);
    positive_ = hasPoint_ = false;
}

void Calculator::BackToIdle() {
    SetFlags(true, false, false, false, false);
    positive_ = hasPoint_ = false;
}

void Calculator::ToggleSign() {
    SetFlags(false, true, false, false, false);
    positive_ = !positive_;
}

void Calculator::TogglePoint() {
    SetFlags(false, true, false, false, false);
    hasPoint_ = !hasPoint_;
}

void Calculator::ShowEntry() {
    entryCaption_ = entryText_;
    host_.ViewsChanged(kViewEntry);
}

void Calculator::PushEntry() {
    if (idle_) return;
    if (decimal_)
        stack_.Push(kKindDecimal, LeadingNumberValue(entryText_));
    else if (binary_)
        stack_.Push(kKindBinary, BinaryValue(entryText_));
    else if (hex_)
        stack_.Push(kKindHex, HexValue(entryText_));
    entryText_.clear();
    BackToIdle();
    ShowEntry();
}

void Calculator::Enter() {
    stack_.WithdrawUndo();
    if (idle_) {
        if (stack_.StackCount() > 0) {
            const StackItem& item = stack_.ItemRef(ChosenPosition());
            stack_.Push(item.kind, item.value);
        } else {
            entryText_.assign(1, '0');  // a literal here trips a GCC 12 -Wrestrict false alarm
            BeginDecimal();
            PushEntry();
        }
    } else {
        PushEntry();
    }
}

void Calculator::Escape() {
    if (!idle_) {
        entryText_.clear();
        BackToIdle();
        ShowEntry();
    } else if (stack_.StackCount() > 0) {
        SetLargeSelected(stack_.StackCount() - 1);
    }
}

void Calculator::BackspaceEdit() {
    if (idle_) return;
    if (!entryText_.empty()) entryText_.pop_back();
    if (entryText_ == "&") entryText_.clear();
    if (entryText_.empty()) BackToIdle();
    if (entryText_.find('.') == std::string::npos) hasPoint_ = false;
    ShowEntry();
}

void Calculator::ChangeSignOfEntry() {
    if (positive_) {
        ToggleSign();
        entryText_.insert(entryText_.begin(), '-');
    } else {
        ToggleSign();
        if (!entryText_.empty()) entryText_.erase(entryText_.begin());
    }
    ShowEntry();
}

void Calculator::ShowMessage(const std::string& message) {
    entryText_ = message;
    ShowEntry();
    StartTimer();
    entryText_.clear();
    BackToIdle();
}

void Calculator::ShowNotice(const std::string& message) {
    entryCaption_ = message;
    host_.ViewsChanged(kViewEntry);
    StartTimer();
}

void Calculator::ReportError(int code) {
    ShowMessage(ErrorMessage(code));
}

void Calculator::StartTimer() {
    timerRunning_ = true;
    host_.EntryTimerChanged(true);
}

void Calculator::StopTimer() {
    if (!timerRunning_) return;
    timerRunning_ = false;
    host_.EntryTimerChanged(false);
}

// ---------------------------------------------------------------- paste

namespace {

std::string_view Trimmed(std::string_view s) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const size_t first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

}  // namespace

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

void Calculator::Paste() {
    const std::string clip = host_.ClipboardText();
    if (clip.empty() || command_) return;
    std::string joined = entryText_;
    joined += Trimmed(clip);
    if (joined == entryText_) return;
    auto commasToDots = [](std::string& s) { std::replace(s.begin(), s.end(), ',', '.'); };
    // The flags follow the value, not the look of the text: a pasted "4.0" is whole, so a
    // "." typed next is still appended.
    auto notWhole = [](double v) { return std::isfinite(v) && v != std::trunc(v); };
    auto adoptDecimal = [&](std::string text, bool fresh) {
        commasToDots(text);
        entryText_ = std::move(text);
        const double v = LeadingNumberValue(entryText_);
        if (fresh) {
            BeginDecimal();
            if (v < 0) ToggleSign();
            if (notWhole(v)) TogglePoint();
        } else if (notWhole(v)) {
            hasPoint_ = true;
        }
        ShowEntry();
    };
    if (idle_) {
        if (joined[0] == '&') {
            if (!IsHexadecimal(joined)) return;
            entryText_ = std::move(joined);
            BeginHex();
            ShowEntry();
        } else if (joined[0] == '\'') {
            if (!IsBinary(joined)) return;
            entryText_ = std::move(joined);
            BeginBinary();
            ShowEntry();
        } else if (IsDecimal(joined)) {
            adoptDecimal(std::move(joined), true);
        }
    } else if (decimal_) {
        if (IsDecimal(joined)) adoptDecimal(std::move(joined), false);
    } else if (hex_) {
        if (IsHexadecimal(joined)) {
            entryText_ = std::move(joined);
            ShowEntry();
        }
    } else if (binary_) {
        if (IsBinary(joined)) {
            entryText_ = std::move(joined);
            ShowEntry();
        }
    }
}

// ---------------------------------------------------------------- stack commands and views

// The item Enter duplicates and Ctrl+C copies: the selected row while the large stack is
// shown, otherwise (and when no row is selected) the top item.
int Calculator::ChosenPosition() const {
    const int count = stack_.StackCount();
    if (host_.LargeStackVisible() && views_.largeSelected >= 0 && views_.largeSelected < count)
        return views_.largeSelected + 1;
    return count;
}

void Calculator::CopyItem() {
    host_.SetClipboardText(stack_.ItemRef(ChosenPosition()).text);
}

void Calculator::MoveSelection(int delta) {
    if (!host_.LargeStackVisible()) host_.ToggleLargeStackWindow();
    const int count = stack_.StackCount();
    if (count < 1) return;
    SetLargeSelected(std::clamp(views_.largeSelected + delta, 0, count - 1));
}

void Calculator::ClearStackCommand() {
    stack_.RememberForUndo(stack_.StackCount() + 1);
    stack_.Clear();
    Redraw();
}

void Calculator::DropCommand() {
    if (stack_.StackCount() == 0) return;
    stack_.RememberForUndo(stack_.StackCount() - 1);
    stack_.Drop();
    Redraw();
}

void Calculator::ChangeSignCommand() {
    if (stack_.StackCount() == 0) return;
    const StackItem& top = stack_.ItemRef(stack_.StackCount());
    if (top.kind != kKindDecimal) return;
    const double negated = -top.value;
    stack_.RememberForUndo(stack_.StackCount());
    stack_.ReplaceTop(kKindDecimal, negated);
}

void Calculator::MoveSelectedToTop() {
    const int row = views_.largeSelected;
    const int count = stack_.StackCount();
    if (row < 0 || row >= count) return;
    const StackItem moved = stack_.GetItem(row + 1);
    for (int j = row + 2; j <= count; ++j) stack_.WriteItem(j - 1, stack_.ItemRef(j));
    stack_.WriteItem(count, moved);
    Redraw();
}

DecimalFormat Calculator::Format() const {
    DecimalFormat f;
    f.places = decimalPlaces_;
    f.fill = options_.on(Option::FillDecimals);
    f.engineering = options_.on(Option::EngFormat);
    f.separator = separator_;
    return f;
}

void Calculator::SetDecimalPlaces(int16_t p) {
    decimalPlaces_ = p;
    host_.ViewsChanged(kViewPlaces);
}

void Calculator::SetAngleRadians(bool radians) {
    angleRadians_ = radians;
    host_.ViewsChanged(kViewAngle);
}

void Calculator::SetLargeSelected(int row) {
    if (row < -1 || row >= static_cast<int>(views_.largeRows.size())) return;
    views_.largeSelected = row;
    host_.ViewsChanged(kViewLargeSelection);
}

void Calculator::SetFunctionRow(int row) {
    functionRow_ = row;
    host_.ViewsChanged(kViewFunctionRow);
}

void Calculator::Redraw() {
    views_.Rebuild(stack_);
    host_.ViewsChanged(kViewStack | kViewLargeRows | kViewLargeSelection);
}

}  // namespace quorva
