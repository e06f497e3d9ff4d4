#pragma once
// The clipboard, the program's folder and the user's decimal separator.

#include <QString>
#include <string>

namespace quorva::platform {

// The clipboard's text as UTF-8 (empty when it holds none), and replacing it.
std::string ClipboardText();
void SetClipboardText(const std::string& text);

// The folder of the program file, without a trailing separator.
std::string ProgramFolder();

// The user's decimal separator, '.' or ','.
char LocaleDecimalSeparator();
char SeparatorOf(const QString& decimalPoint);

}  // namespace quorva::platform
