#pragma once
// The settings file "quorva.ini": one KEY=VALUE line per setting, read once at start-up and
// rewritten whole on every save. The format and the rules live here; whatever touches a window
// goes through SettingsTarget, which the window layer implements.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "Paths.h"
#include "Skin.h"

namespace quorva {

class Calculator;
class OptionsModel;

// Only this much of the file is read; a line cut by the limit is dropped, the rest ignored.
inline constexpr std::size_t kSettingsReadLimit = 64 * 1024;
// The transparency scroll bar's range; the lower end keeps the window visible.
inline constexpr int16_t kTransparencyMin = 50;
inline constexpr int16_t kTransparencyMax = 255;

// What reading the file does to the windows. Positions are the main window's in pixels.
class SettingsTarget {
public:
    virtual ~SettingsTarget() = default;
    virtual void SetMainWindowLeft(double pixels) = 0;  // applied at once, as read
    virtual void SetMainWindowTop(double pixels) = 0;
    virtual double MainWindowLeft() const = 0;          // read back for saving
    virtual double MainWindowTop() const = 0;
    virtual void SetOnTop() = 0;
    virtual void SetNotOnTop() = 0;
    virtual void SetTransparency(uint8_t alpha) = 0;
    virtual void SetFunctionsWindowShown(bool shown) = 0;
};

// Everything the file reads into and writes from.
struct SettingsContext {
    OptionsModel& options;
    Calculator& calc;     // DecimalPlaces, AngleRadians
    Skin& skin;           // skinFile only
    SettingsTarget& target;
};


struct SettingsResult {
    bool ok = true;        // false: the file exists but could not be read, or could not be written
    bool found = false;    // load: a file was there and was read
    std::string path;
    std::string message;   // why it failed, for the user; empty when ok
};

// Reads the file at path and applies its lines in order. No file: nothing changes, ok.
SettingsResult LoadSettings(const std::string& path, SettingsContext& ctx);
// Writes the 16 lines through a temporary file renamed over the old one, creating the folder
// when it is missing. On failure the old file is left as it was.
SettingsResult SaveSettings(const std::string& path, const SettingsContext& ctx);

// The file's bytes as SaveSettings writes them.
std::string SettingsText(const SettingsContext& ctx);
// Applies a whole file's content (only the first kSettingsReadLimit bytes).
void ApplySettingsText(std::string_view text, SettingsContext& ctx);
// Applies one line exactly as the file reader does (no line terminator in it).
void ApplySettingsLine(std::string_view line, SettingsContext& ctx);

// The numeric reading of a value: leading blanks, sign, digits, one ".", an exponent; the rest
// is ignored; no number reads 0. Too large a number gives an infinity.
double ReadNumber(std::string_view value);
// ReadNumber to the nearest integer, halves to even; nullopt beyond the 16-bit range.
std::optional<int16_t> ReadInt16(std::string_view value);
// Only "False" and "Faux" mean degrees.
bool ReadRadians(std::string_view value);

// Number form: a blank before a number that is not negative, "." always, no point for whole
// numbers; positions with up to 7 significant digits.
std::string NumberForm(int v);
std::string NumberForm(float v);

}  // namespace quorva
