#include "StackViews.h"

#include "OperandStack.h"

namespace quorva {

namespace {

constexpr size_t kLabelWidth = 22;
constexpr int kValueWidth = 34;

void AppendStackLine(std::string& out, const std::string& text) {
    if (text.size() > kLabelWidth) {
        out += '<';
        out.append(text, text.size() - (kLabelWidth - 1), std::string::npos);
    } else {
        out += text;
    }
}

// Fills row in place so that a rebuild reuses the rows' buffers.
void FormatRow(std::string& row, int level, int16_t kind, const std::string& text) {
    char number[8];
    int len = 0;
    for (int v = level; v > 0 || len == 0; v /= 10) number[len++] = static_cast<char>('0' + v % 10);
    row.clear();
    if (len < 4) row.append(static_cast<size_t>(4 - len), ' ');
    while (len > 0) row += number[--len];
    row += " :";
    // A hexadecimal text drops one of its two "&": the row is as wide as for the other kinds.
    const bool hex = kind == kKindHex && !text.empty();
    const int shown = static_cast<int>(text.size()) - (hex ? 1 : 0);
    if (shown < kValueWidth) row.append(static_cast<size_t>(kValueWidth - shown), ' ');
    row.append(text, hex ? 1 : 0, std::string::npos);
}

void BuildStackCaption(std::string& out, const OperandStack& stack) {
    out.clear();
    const int count = stack.StackCount();
    for (int i = 4; i >= 0; --i) {
        const int q = count - i;
        if (q > 0)
            AppendStackLine(out, stack.ItemRef(q).text);
        else
            out += ' ';
        out += "\r\n";
    }
}

}  // namespace

std::string StackDisplayText(const OperandStack& stack) {
    std::string out;
    BuildStackCaption(out, stack);
    return out;
}

std::string LargeStackRow(int level, int16_t kind, const std::string& text) {
    std::string row;
    FormatRow(row, level, kind, text);
    return row;
}

void StackViews::Rebuild(const OperandStack& stack) {
    const int count = stack.StackCount();
    BuildStackCaption(stackCaption, stack);
    largeRows.resize(static_cast<size_t>(count));
    for (int q = 1; q <= count; ++q) {
        const StackItem& item = stack.ItemRef(q);
        FormatRow(largeRows[static_cast<size_t>(q - 1)], count - q + 1, item.kind, item.text);
    }
    largeSelected = count > 0 ? count - 1 : -1;
}

}  // namespace quorva
