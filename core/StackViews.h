#pragma once
// The two views of the stack: the five-line caption of lblStackDisplay and the rows of
// lstLargeStack with their selection.

#include <string>
#include <vector>

namespace quorva {

class OperandStack;

// Five lines, fifth level first, each ended by CR LF; empty levels are a single blank; texts
// longer than 22 characters become "<" and their last 21.
std::string StackDisplayText(const OperandStack& stack);
// One row of the large stack list: level number right-aligned in 4, " :", the value part
// right-aligned in 34 (a hexadecimal item shows one "&").
std::string LargeStackRow(int level, int16_t kind, const std::string& text);

struct StackViews {
    std::string stackCaption;            // lblStackDisplay
    std::vector<std::string> largeRows;  // lstLargeStack, bottom item first
    int largeSelected = -1;              // selected row, -1 none

    void Rebuild(const OperandStack& stack);
};

}  // namespace quorva
