#pragma once
// The options of the Functions and Settings window: one model that the check boxes and the
// transparency scroll bar show and edit, that the calculator reads where an option is used,
// and that the settings file persists. Values are those of the controls: 1 ticked, 0 clear
// (a check box also takes 2); the scroll bar holds its own value.

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace quorva {

enum class Option : int {
    OnTop,          // chkOnTop: start topmost
    ShowFunctions,  // chkShowFunctions: open the Functions window with the calculator
    Hide,           // chkHide: start minimized
    Transparency,   // scrTransp: opacity of the main window, 0..255
    FillDecimals,   // chkFillDec
    FullPrecision,  // chkFullPrec
    DecUpdate,      // chkDecUpdate
    EngFormat,      // chkEngFmt
    DirectExit,     // chkDirectExit
    ConfirmExit,    // chkConfExit
    KeepStack,      // chkKeepStack: the stack and its undo outlive the program
};
inline constexpr int kOptionCount = 11;

struct OptionInfo {
    Option id;
    const char* control;     // the control that shows it, e.g. "chkFillDec"
    const char* settingsKey; // its key in the settings file
    int16_t designValue;     // the control's value before anything else sets it
    bool isCheckBox;
};

// In settings-file order of the option keys.
const std::array<OptionInfo, kOptionCount>& OptionTable();
const OptionInfo& InfoOf(Option id);

class OptionsModel {
public:
    using Listener = std::function<void(Option, int16_t)>;

    OptionsModel();  // design values

    int16_t Value(Option id) const { return values_[static_cast<int>(id)]; }
    bool On(Option id) const { return Value(id) == 1; }

    // Listeners hear every change, in the order they subscribed; setting the same value again
    // is not a change.
    void Set(Option id, int16_t v);
    int Subscribe(Listener listener);
    void Unsubscribe(int token);

private:
    std::array<int16_t, kOptionCount> values_{};
    std::vector<std::pair<int, Listener>> listeners_;
    int nextToken_ = 1;
};

}  // namespace quorva
