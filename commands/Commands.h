#pragma once
// Command words, the matcher and dispatcher, the commands, angle mode and decimal places.

#include <array>
#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "Calculator.h"

namespace quorva {

inline constexpr int kCommandSlots = 33;
inline constexpr int kFunctionRows = 39;

// The pi of ";;p" and of every conversion between degrees and radians. It is the double nearest
// to 3.14159265358979, a few units in the last place below the double nearest to pi, and the
// results users compare against were made with it.
inline constexpr double PiValue = std::bit_cast<double>(uint64_t{0x400921FB54442D11});

// The 165-character word table: 33 slots of a blank, the word, and blanks up to five.
const std::string& CommandWords();
// Rows 1..39 of the function list (index 0..38): the help texts, a single blank for 18, 26, 34.
const std::array<std::string, kFunctionRows>& CommandHelp();
// Characters of the word of slot 1..33; 0 for the blank slots and outside.
int CommandLength(int slot);

// Plug the matcher, F3 and F4 into the calculator's key handling.
void InstallCommands(Calculator& calc);

void MatchCommandWord(Calculator& calc);
void RunCommand(Calculator& calc, int slot);  // may raise
int16_t ResultKind(int16_t kindA, int16_t kindB, double value);

// A press (or double click) on the function list: runs the selected row (calc.FunctionRow()).
// Errors are reported in the entry line; never raises.
void RunFunctionRow(Calculator& calc);

// Angle mode and decimal places.
void ToggleAngleMode(Calculator& calc);    // F3
void NextDecimalPlaces(Calculator& calc);  // F4
void ChooseAngleRow(Calculator& calc, int row);     // frmDegRad list: 0 Radians, 1 Degrees
void ChooseDecimalsRow(Calculator& calc, int row);  // frmDecimal list: row r = 15 - r places
std::string AngleCaption(bool radians);             // "rad" / "deg"
std::string AngleTooltip(bool radians);
std::string DecimalCaption(int places);             // ".15"
std::string DecimalTooltip(int places);             // " Decimal places = 15. Click or F4 to change "
const std::vector<std::string>& AnglePickerRows();     // "Radians", "Degrees"
const std::vector<std::string>& DecimalsPickerRows();  // "15 decimal places" .. "no decimal place"

}  // namespace quorva
