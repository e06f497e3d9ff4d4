#pragma once
// The calculator as the windows see it: the entry line and its key handlers, the operand stack,
// the display texts, paste. It owns no timer and no window: it asks its Host.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

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

enum class EntryState { Idle, Decimal, Binary, Hex, Command };

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

    // --- key handlers (all three windows) ---
    void Form_KeyDown(int16_t keyCode, int16_t shift, KeyWindow from = KeyWindow::Main);
    void Form_KeyPress(int16_t ch);
    void tmrEntry_Timer();

    // --- entry line ---
    const std::string& EntryText() const { return entryText_; }
    void SetEntryText(std::string text) { entryText_ = std::move(text); }
    EntryState State() const;
    bool EntryIdle() const { return idle_; }
    bool EntryDecimal() const { return decimal_; }
    bool EntryHex() const { return hex_; }
    bool EntryBinary() const { return binary_; }
    bool EntryCommand() const { return command_; }
    bool EntryPositive() const { return positive_; }
    bool EntryHasPoint() const { return hasPoint_; }
    void BeginDecimal();
    void BeginCommandWord();
    void BeginBinary();
    void BeginHex();
    void BackToIdle();
    void ToggleSign();
    void TogglePoint();
    void SetHasPoint(bool on) { hasPoint_ = on; }
    void ShowEntry();          // lblEntryDisplay shows EntryText
    void PushEntry();          // may raise
    void Enter();              // may raise
    void Escape();
    void BackspaceEdit();
    void ChangeSignOfEntry();
    void Paste();
    // Show a message in the entry line for the time of tmrEntry, then idle with an empty entry.
    void ShowMessage(const std::string& message);
    // The same message for the same time, but what is being typed stays and comes back with the
    // next key or the timer: for news from outside the calculator (a file that cannot be saved).
    void ShowNotice(const std::string& message);
    void ReportError(int code);
    // Run one step of a key handler: an error is reported, the stack redrawn, and we go on.
    void Guarded(const std::function<void()>& step);

    // --- single-key stack commands ---
    void ClearStackCommand();   // "c"
    void DropCommand();         // "d", Delete
    void ChangeSignCommand();   // "o" while idle
    void SwapCommand() { stack_.Swap(); }
    void UndoCommand() { stack_.Undo(); }
    // Double click on lstLargeStack: the item of the selected row goes to level 1 (no undo
    // record); nothing when no row is selected.
    void MoveSelectedToTop();

    // --- state the other layers read and change ---
    OperandStack& Stack() { return stack_; }
    const OperandStack& Stack() const { return stack_; }
    OptionsModel& Options() { return options_; }
    const OptionsModel& Options() const { return options_; }
    Host& HostRef() { return host_; }
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
    int FunctionRow() const { return functionRow_; }  // lstFunctions, -1 none
    void SetFunctionRow(int row);
    void Redraw();

private:
    template <class Step>
    void Guard(Step&& step);
    void Append(std::string_view s);
    bool Immediate(char c);
    bool EndsNumber(char c);
    void MatchWord();
    int ChosenPosition() const;
    void KeyPressIdle(char c);
    void KeyPressDecimal(char c);
    void KeyPressBinary(char c);
    void KeyPressHex(char c);
    void KeyPressCommand(char c);
    void StartWord(char c);
    void CopyItem();
    void MoveSelection(int delta);
    void SetFlags(bool idle, bool decimal, bool hex, bool binary, bool command);
    void StartTimer();
    void StopTimer();

    Host& host_;
    OptionsModel& options_;
    char separator_;
    CommandHooks hooks_;
    StackViews views_;
    OperandStack stack_;

    std::string entryText_;
    std::string entryCaption_;
    bool idle_ = true, decimal_ = false, hex_ = false, binary_ = false, command_ = false;
    bool positive_ = false, hasPoint_ = false;
    bool timerRunning_ = false;
    bool keyDownMessage_ = false;  // the last key-down showed a message
    int16_t decimalPlaces_ = 15;
    bool angleRadians_ = true;
    int functionRow_ = -1;
};

// Validity tests of whole number texts, as paste uses them.
bool IsHexadecimal(std::string& text);  // may put a second "&" in front
bool IsBinary(std::string_view text);
bool IsDecimal(std::string_view text);

}  // namespace quorva
