// Angle mode and number of decimal places: the F3 and F4 steps, the choices of the two pickers,
// and the texts of the two labels that show them.

#include "Commands.h"

namespace quorva {
namespace {

void ApplyDecimalPlaces(Calculator& calc, int places) {
    const int old = calc.DecimalPlaces();
    calc.SetDecimalPlaces(static_cast<int16_t>(places));
    if (places != old && calc.Options().On(Option::DecUpdate)) calc.Stack().ReformatDecimals();
}

// The platform's number-to-text: a blank stands where the sign of a negative number would be.
std::string StrForm(int n) { return (n < 0 ? "" : " ") + std::to_string(n); }

}  // namespace

void ToggleAngleMode(Calculator& calc) { calc.SetAngleRadians(!calc.AngleRadians()); }

void NextDecimalPlaces(Calculator& calc) {
    // The AND also brings a number read from the settings file back into 0..15.
    ApplyDecimalPlaces(calc, (calc.DecimalPlaces() + 1) & 15);
}

void ChooseAngleRow(Calculator& calc, int row) { calc.SetAngleRadians(row == 0); }

void ChooseDecimalsRow(Calculator& calc, int row) {
    if (row < 0 || row > 15) return;  // no row chosen
    ApplyDecimalPlaces(calc, 15 - row);
}

std::string AngleCaption(bool radians) { return radians ? "rad" : "deg"; }

std::string AngleTooltip(bool radians) {
    return radians ? " Mode = radians. Click or F3 to change "
                   : " Mode = degrees. Click or F3 to change ";
}

std::string DecimalCaption(int places) { return "." + std::to_string(places); }

std::string DecimalTooltip(int places) {
    return " Decimal places =" + StrForm(places) + ". Click or F4 to change ";
}

const std::vector<std::string>& AnglePickerRows() {
    static const std::vector<std::string> rows = {"Radians", "Degrees"};
    return rows;
}

const std::vector<std::string>& DecimalsPickerRows() {
    static const std::vector<std::string> rows = [] {
        std::vector<std::string> r;
        for (int places = 15; places >= 2; --places) {
            r.push_back(std::to_string(places) + " decimal places");
        }
        r.push_back("1 decimal place");
        r.push_back("no decimal place");
        return r;
    }();
    return rows;
}

}  // namespace quorva
