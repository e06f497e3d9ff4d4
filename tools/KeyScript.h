#pragma once
// Driving the calculator without a window: the host around it, key scripts and the steps they
// are made of, and the report of every display. quorva-keys and the key fuzzer share it.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Calculator.h"
#include "PlainHost.h"
#include "Settings.h"

namespace quorva::keys {

// The program around the calculator, as quorva-keys and the key fuzzer give it.
using DriverHost = PlainHost;

// A script or an option the driver refuses; the message is for the user.
struct Failure {
    std::string message;
};

// --set has no windows to move.
class NoWindows : public SettingsTarget {
  public:
    void SetMainWindowLeft(double) override {}
    void SetMainWindowTop(double) override {}
    double MainWindowLeft() const override { return 0; }
    double MainWindowTop() const override { return 0; }
    void SetOnTop() override {}
    void SetNotOnTop() override {}
    void SetTransparency(uint8_t) override {}
    void SetFunctionsWindowShown(bool) override {}
};

// The settings keys --set takes: the ones the calculator itself reads.
const std::vector<std::string_view>& SetKeys();
// A settings line for one of SetKeys(), applied by the settings file's own reader; false (and
// nothing applied) for any other line.
bool ApplySet(std::string_view line, SettingsContext& ctx);

enum class Action { Type, KeyDown, KeyDownPress, Tick, Row, Move, Fn, Angle, Places };

struct Step {
    explicit Step(Action a) : action(a) {}
    Action action;
    int16_t code = 0;   // key code
    int16_t shift = 0;  // shift mask
    int16_t ch = 0;     // character of the key-press
    int number = 0;     // <row:N>, <fn:K>, <angle:R>, <places:R>
    KeyWindow window = KeyWindow::Main;  // whose key handler receives the key
    std::string token;  // as written, for messages
};

// A typed character: the key of a US keyboard (with Shift where it needs it), then the character.
Step Typed(char32_t c);
// "<Enter>", "<row:3>" and the like; throws Failure for an unknown one. Scripts may also
// repeat one: "<Enter*300>", "<7*3>".
Step Named(const std::string& token);
std::vector<Step> ParseScript(const std::string& script);
// Throws Failure for a <row:N> beyond the large stack list.
void Run(const Step& s, Calculator& calc);

// Every display and the state behind it, one "name: value" line each.
std::string Report(const Calculator& calc, const DriverHost& host);
// The lines of a report named in NAMES ("entry,stack,item 3": the text before a line's ":"),
// each with the "|" lines under it; throws Failure for a name no report line has.
std::string OnlyLines(const std::string& report, const std::string& names);

}  // namespace quorva::keys
