#pragma once
// The stack file "quorva.stack" beside the settings file: the operand stack and its undo record
// as the program left them when it quit, written only while "Keep the stack when quitting" is
// ticked. A file that cannot be taken whole is never taken in part: the calculator starts
// empty and the file is moved aside.
//
// The format, one line each, LF line ends (CR LF read too):
//   Quorva stack 1
//   format PLACES FILL ENGINEERING SEPARATOR     what the decimal texts were made with
//   count N                                      the items on the stack
//   undo AVAILABLE COUNT KIND BITS "TEXT"        the undo record
//   POSITION KIND BITS "TEXT"                    one per record, positions 0, 1, ... in order
//   end
// BITS are the value's 64 bits in 16 hexadecimal digits, so every double comes back as it was;
// in TEXT a "%", a quote, a blank and every byte outside printable ASCII are written %XX.

#include <cstddef>
#include <string>
#include <string_view>

#include "NumberText.h"
#include "OperandStack.h"

namespace quorva {

class Calculator;

inline constexpr const char* kStackFileName = "quorva.stack";
inline constexpr const char* kBadStackSuffix = ".bad";  // where a refused file is moved
// The largest file a full stack of the longest texts makes is about 66 KiB.
inline constexpr std::size_t kStackReadLimit = 80 * 1024;
inline constexpr std::size_t kStackTextLimit = 64;  // bytes of one item's text

// Why a file is refused; each has its short text for the entry line.
enum class StackTrouble { None, Unreadable, Foreign, Truncated, TooLong, Damaged };
const char* TroubleShown(StackTrouble trouble);  // "STACK FILE DAMAGED", ...

struct StackFileContent {
    DecimalFormat format;  // places (0..15), fill, engineering and separator of the texts
    StackSnapshot stack;
};

struct StackFileRead {
    StackTrouble trouble = StackTrouble::None;
    std::string why;  // for the user: "is truncated: it has no end line", ...
    StackFileContent content;
};

std::string StackFileText(const StackFileContent& content);
// Takes a whole file or refuses it, saying why.
StackFileRead ReadStackFileText(std::string_view text);

// Puts what a file held on the calculator's stack and redraws. Decimal texts made with other
// places or display options than the calculator's are made again, as a change of places does;
// all other texts and every value bit are taken as stored.
void ApplyStackFile(StackFileContent content, Calculator& calc);

// The stack file that belongs to a settings file: the same folder.
std::string StackFilePathFor(const std::string& settingsPath);

struct StackFileResult {
    bool ok = true;       // false: refused, unreadable, or not written or removed
    bool found = false;   // load: a file was there
    StackTrouble trouble = StackTrouble::None;
    std::string message;  // for stderr; empty when ok
};

// Reads the file and applies it. No file: nothing changes, ok. A file refused or unreadable
// leaves the stack as it was and is renamed to path + ".bad" (replacing an older one).
StackFileResult LoadStackFile(const std::string& path, Calculator& calc);
// Writes the stack through a temporary file renamed over the old one.
StackFileResult SaveStackFile(const std::string& path, const Calculator& calc);
// Removes the file; a file that is not there is fine.
StackFileResult RemoveStackFile(const std::string& path);

}  // namespace quorva
