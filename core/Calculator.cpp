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

// ---------------------------------------------------------------- keys

void Calculator::KeyDown(int16_t keyCode, int16_t shift, KeyWindow from) {
    EntryTimerFired();
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

void Calculator::CharacterTyped(int16_t ch) {
    if (keyDownMessage_)
        keyDownMessage_ = false;
    else
        EntryTimerFired();
    if (ch <= 0 || ch > 127) return;  // no state knows other characters
    const char c = static_cast<char>(ch);
    if (Immediate(c)) return;
    switch (entry_.State()) {
        case EntryState::Idle: TypedIdle(c); break;
        case EntryState::Decimal: TypedDecimal(c); break;
        case EntryState::Binary: TypedBinary(c); break;
        case EntryState::Hex: TypedHex(c); break;
        case EntryState::Command: TypedCommand(c); break;
    }
}

void Calculator::EntryTimerFired() {
    StopTimer();
    ShowEntry();
}

void Calculator::Begin(EntryState state, std::string_view text) {
    entry_.Begin(state);
    Append(text);
}

void Calculator::Append(std::string_view s) {
    entry_.Append(s);
    ShowEntry();
}

// The stack keys that act at once, whatever is being typed. A hexadecimal entry keeps "c" and
// "d" as digits, a binary one "o" as the letter it ends with; a word takes every letter.
bool Calculator::Immediate(char c) {
    static constexpr std::string_view kKeys[] = {"cdsou", "cdsou", "cdsu", "su", ""};
    if (kKeys[static_cast<int>(entry_.State())].find(c) == std::string_view::npos) return false;
    switch (c) {
        case 'c': Guard([this] { ClearStackCommand(); }); break;
        case 'd': Guard([this] { DropCommand(); }); break;
        case 's': Guard([this] { SwapCommand(); }); break;
        case 'u': Guard([this] { UndoCommand(); }); break;
        case 'o':
            if (entry_.Is(EntryState::Idle))
                Guard([this] { ChangeSignCommand(); });
            else
                Guard([this] {
                    entry_.ChangeSign();
                    ShowEntry();
                });
            break;
    }
    return true;
}

// A character that ends the number being typed: the number is pushed, then the character
// starts what it starts. Each step is guarded on its own, so a failed push still lets it start.
bool Calculator::EndsNumber(char c) {
    if (c == '&') {
        Guard([this] { PushEntry(); });
        Guard([this] { Begin(EntryState::Hex, "&&"); });
        return true;
    }
    if (c == '\'') {
        Guard([this] { PushEntry(); });
        Guard([this] { Begin(EntryState::Binary, "'"); });
        return true;
    }
    if (IsOperator(c)) {
        Guard([this] { PushEntry(); });
        Guard([this, c] { StartWord(c); });
        return true;
    }
    return false;
}

void Calculator::TypedIdle(char c) {
    if (IsDigit(c)) {
        Begin(EntryState::Decimal, std::string_view(&c, 1));
    } else if (IsSeparator(c)) {
        Begin(EntryState::Decimal, ".");
        entry_.SetHasPoint(true);
    } else if (c == '&') {
        Begin(EntryState::Hex, "&&");
    } else if (c == '\'') {
        Begin(EntryState::Binary, "'");
    } else if (IsOperator(c)) {
        Guard([this, c] { StartWord(c); });
    }
}

void Calculator::TypedDecimal(char c) {
    if (IsDigit(c)) {
        Append(std::string_view(&c, 1));
    } else if (IsSeparator(c)) {
        if (!entry_.HasPoint()) {
            Append(".");
            entry_.SetHasPoint(true);
        }
    } else if (c == kKeyBack) {
        entry_.Backspace();
        ShowEntry();
    } else {
        EndsNumber(c);
    }
}

void Calculator::TypedBinary(char c) {
    if (c == '0' || c == '1') {
        if (entry_.Text().size() < 33) Append(std::string_view(&c, 1));
    } else if (c == kKeyBack) {
        entry_.Backspace();
        ShowEntry();
    } else {
        EndsNumber(c);
    }
}

void Calculator::TypedHex(char c) {
    if (IsDigit(c) || (c >= 'a' && c <= 'f')) {
        if (entry_.Text().size() < 10) Append(std::string_view(&c, 1));
    } else if (c == kKeyBack) {
        entry_.Backspace();
        ShowEntry();
    } else {
        EndsNumber(c);
    }
}

void Calculator::TypedCommand(char c) {
    if (c == kKeyBack) {
        entry_.Backspace();
        ShowEntry();
    } else if (c == ';' || IsLower(c)) {
        Guard([this, c] {
            Append(std::string_view(&c, 1));
            MatchWord();
        });
    }
}

void Calculator::StartWord(char c) {
    Begin(EntryState::Command, std::string_view(&c, 1));
    MatchWord();
}

void Calculator::MatchWord() {
    if (hooks_.matchCommandWord)
        hooks_.matchCommandWord();
    else
        ShowMessage(entry_.Text() + " ...unknown function");
}

// ---------------------------------------------------------------- entry line

void Calculator::ShowEntry() {
    entryCaption_ = entry_.Text();
    host_.ViewsChanged(kViewEntry);
}

void Calculator::PushEntry() {
    switch (entry_.State()) {
        case EntryState::Idle: return;
        case EntryState::Decimal: stack_.Push(kKindDecimal, LeadingNumberValue(entry_.Text())); break;
        case EntryState::Binary: stack_.Push(kKindBinary, BinaryValue(entry_.Text())); break;
        case EntryState::Hex: stack_.Push(kKindHex, HexValue(entry_.Text())); break;
        case EntryState::Command: break;
    }
    entry_.Clear();
    ShowEntry();
}

void Calculator::Enter() {
    stack_.WithdrawUndo();
    if (!entry_.Is(EntryState::Idle)) {
        PushEntry();
    } else if (stack_.StackCount() > 0) {
        const StackItem& item = stack_.ItemRef(ChosenPosition());
        stack_.Push(item.kind, item.value);
    } else {
        entry_.Begin(EntryState::Decimal);
        entry_.SetText(std::string(1, '0'));  // a literal here trips a GCC 12 -Wrestrict false alarm
        PushEntry();
    }
}

void Calculator::Escape() {
    if (!entry_.Is(EntryState::Idle)) {
        entry_.Clear();
        ShowEntry();
    } else if (stack_.StackCount() > 0) {
        SetLargeSelected(stack_.StackCount() - 1);
    }
}

void Calculator::ShowMessage(const std::string& message) {
    entryCaption_ = message;
    host_.ViewsChanged(kViewEntry);
    StartTimer();
    entry_.Clear();
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

void Calculator::Paste() {
    const std::string clip = host_.ClipboardText();
    if (clip.empty() || entry_.Is(EntryState::Command)) return;
    std::string joined = entry_.Text();
    joined += Trimmed(clip);
    if (joined == entry_.Text()) return;
    // A fresh entry begins; one being typed keeps its state and takes the longer text.
    auto adopt = [this](EntryState state, std::string text) {
        if (!entry_.Is(state)) entry_.Begin(state);
        entry_.SetText(std::move(text));
    };
    // The entry follows the value, not the look of the text: a pasted "4.0" is whole, so a
    // "." typed next is still appended.
    auto adoptDecimal = [&](std::string text) {
        if (!IsDecimal(text)) return false;
        std::replace(text.begin(), text.end(), ',', '.');
        const bool fresh = entry_.Is(EntryState::Idle);
        adopt(EntryState::Decimal, std::move(text));
        const double v = LeadingNumberValue(entry_.Text());
        if (fresh && v < 0) entry_.SetPositive(false);
        if (std::isfinite(v) && v != std::trunc(v)) entry_.SetHasPoint(true);
        return true;
    };
    switch (entry_.State()) {
        case EntryState::Idle:
            if (joined[0] == '&') {
                if (!IsHexadecimal(joined)) return;
                adopt(EntryState::Hex, std::move(joined));
            } else if (joined[0] == '\'') {
                if (!IsBinary(joined)) return;
                adopt(EntryState::Binary, std::move(joined));
            } else if (!adoptDecimal(std::move(joined))) {
                return;
            }
            break;
        case EntryState::Decimal:
            if (!adoptDecimal(std::move(joined))) return;
            break;
        case EntryState::Hex:
            if (!IsHexadecimal(joined)) return;
            adopt(EntryState::Hex, std::move(joined));
            break;
        case EntryState::Binary:
            if (!IsBinary(joined)) return;
            adopt(EntryState::Binary, std::move(joined));
            break;
        case EntryState::Command:
            return;
    }
    ShowEntry();
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
    f.fill = options_.On(Option::FillDecimals);
    f.engineering = options_.On(Option::EngFormat);
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
