#pragma once
// The calculator as the windows see it: the entry line and its key handlers, the operand stack,
// the display texts, paste. It owns no timer and no window: it asks its Host.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "EntryLine.h"
#include "Host.h"
#include "NumberText.h"
#include "OperandStack.h"
#include "Options.h"
#include "StackViews.h"

namespace quorva {

// Key codes of the key-down handlers.
enum KeyCode : int16_t {
    kKeyBack = 8,
    kKeyEnter = 13,
    kKeyEscape = 27,
    kKeyUp = 38,
    kKeyDown = 40,
    kKeyDelete = 46,
    kKeyC = 67,
    kKeyV = 86,
    kKeyF1 = 112,
    kKeyF2 = 113,
    kKeyF3 = 114,
    kKeyF4 = 115,
};
inline constexpr int16_t kShiftCtrl = 2;

// The window whose key handler received a key: the other two forward to the same logic but
// leave the arrows alone and toggle the windows directly.
enum class KeyWindow { Main, Functions, LargeStack };

// What the command layer plugs in. Without it every word is unknown and F3/F4 do nothing.
struct CommandHooks {
    std::function<void()> matchCommandWord;   // reads EntryText
    std::function<void()> toggleAngleMode;    // F3
    std::function<void()> nextDecimalPlaces;  // F4
};

class Calculator {
public:
    // separator: the user's decimal separator, '.' or ','; chosen once by whoever creates us.
    Calculator(Host& host, OptionsModel& options, char separator = '.');
    Calculator(const Calculator&) = delete;
    Calculator& operator=(const Calculator&) = delete;

    void SetCommandHooks(CommandHooks hooks) { hooks_ = std::move(hooks); }

    // --- keys, from whichever of the three windows has the focus ---
    void KeyDown(int16_t keyCode, int16_t shift, KeyWindow from = KeyWindow::Main);
    void CharacterTyped(int16_t ch);
    // The entry timer ran out (or a key stops it early): a message gives way to the entry.
    void EntryTimerFired();

    // --- entry line ---
    const EntryLine& Entry() const { return entry_; }
    const std::string& EntryText() const { return entry_.Text(); }
    EntryState State() const { return entry_.State(); }
    // The number being typed goes onto the stack; nothing while idle or in a word. May raise.
    void PushEntry();
    // Show a message in the entry line for the time of the entry timer, then idle with an
    // empty entry.
    void ShowMessage(const std::string& message);
    // The same message for the same time, but what is being typed stays and comes back with the
    // next key or the timer: for news from outside the calculator (a file that cannot be saved).
    void ShowNotice(const std::string& message);
    // Run one step of a key handler: an error is reported, the stack redrawn, and we go on.
    void Guarded(const std::function<void()>& step);

    // --- single-key stack commands ---
    void ClearStackCommand();   // "c"
    void DropCommand();         // "d", Delete
    void ChangeSignCommand();   // "o" while idle
    void SwapCommand() { stack_.Swap(); }
    void UndoCommand() { stack_.Undo(); }
    // Double click on the large stack list: the item of the selected row goes to level 1 (no
    // undo record); nothing when no row is selected.
    void MoveSelectedToTop();

    // --- state the other layers read and change ---
    OperandStack& Stack() { return stack_; }
    const OperandStack& Stack() const { return stack_; }
    OptionsModel& Options() { return options_; }
    const OptionsModel& Options() const { return options_; }
    char Separator() const { return separator_; }
    DecimalFormat Format() const;

    int16_t DecimalPlaces() const { return decimalPlaces_; }
    void SetDecimalPlaces(int16_t p);  // no reformat; tells the host
    bool AngleRadians() const { return angleRadians_; }
    void SetAngleRadians(bool radians);

    // --- display texts ---
    const std::string& EntryCaption() const { return entryCaption_; }
    const StackViews& Views() const { return views_; }
    int LargeSelected() const { return views_.largeSelected; }
    void SetLargeSelected(int row);  // -1 none; rows out of range are refused
    bool TimerRunning() const { return timerRunning_; }
    int FunctionRow() const { return functionRow_; }  // the function list's row, -1 none
    void SetFunctionRow(int row);
    void Redraw();

private:
    template <class Step>
    void Guard(Step&& step);
    void Begin(EntryState state, std::string_view text);
    void Append(std::string_view s);
    void ShowEntry();
    void Enter();
    void Escape();
    void Paste();
    void ReportError(int code);
    bool Immediate(char c);
    bool EndsNumber(char c);
    void MatchWord();
    int ChosenPosition() const;
    void TypedIdle(char c);
    void TypedDecimal(char c);
    void TypedBinary(char c);
    void TypedHex(char c);
    void TypedCommand(char c);
    void StartWord(char c);
    void CopyItem();
    void MoveSelection(int delta);
    void StartTimer();
    void StopTimer();

    Host& host_;
    OptionsModel& options_;
    char separator_;
    CommandHooks hooks_;
    StackViews views_;
    OperandStack stack_;

    EntryLine entry_;
    std::string entryCaption_;
    bool timerRunning_ = false;
    bool keyDownMessage_ = false;  // the last key-down showed a message
    int16_t decimalPlaces_ = 15;
    bool angleRadians_ = true;
    int functionRow_ = -1;
};

}  // namespace quorva
