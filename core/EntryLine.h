#pragma once
// The entry line: the text being typed and what it is becoming (a decimal, binary or
// hexadecimal number, or a command word). One state at a time, so no two can ever be on.

#include <string>
#include <string_view>

namespace quorva {

enum class EntryState { Idle, Decimal, Binary, Hex, Command };

class EntryLine {
public:
    const std::string& Text() const { return text_; }
    EntryState State() const { return state_; }
    bool Is(EntryState state) const { return state_ == state; }
    // A decimal entry that carries no "-" of its own.
    bool Positive() const { return positive_; }
    bool HasPoint() const { return hasPoint_; }

    // Starts an entry of this kind; the text is the caller's to give.
    void Begin(EntryState state);
    // Nothing typed, idle.
    void Clear();
    void Append(std::string_view s) { text_ += s; }
    void SetText(std::string text) { text_ = std::move(text); }
    void SetHasPoint(bool on) { hasPoint_ = on; }
    void SetPositive(bool on) { positive_ = on; }
    // "o" while typing: a "-" put in front or taken away; the entry is decimal from then on.
    void ChangeSign();
    // Removes the last character; an entry with nothing left (or only the "&" of "&&") is idle.
    void Backspace();

private:
    std::string text_;
    EntryState state_ = EntryState::Idle;
    bool positive_ = false;
    bool hasPoint_ = false;
};

}  // namespace quorva
