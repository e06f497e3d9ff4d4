#include "StackFile.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <vector>

#include "Calculator.h"
#include "Paths.h"
#include "TextFile.h"

namespace quorva {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kHeaderStart = "Quorva stack ";
constexpr std::string_view kVersion = "1";
constexpr std::string_view kEnd = "end";
constexpr char kHex[] = "0123456789ABCDEF";

bool Plain(unsigned char c) { return c > 0x20 && c < 0x7F && c != '"' && c != '%'; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

void PutText(std::string& out, std::string_view text) {
    out += '"';
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (Plain(c)) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    out += '"';
}

void PutItem(std::string& out, const StackItem& item) {
    out += std::to_string(item.kind);
    out += ' ';
    const auto bits = std::bit_cast<uint64_t>(item.value);
    for (int shift = 60; shift >= 0; shift -= 4) out += kHex[(bits >> shift) & 15];
    out += ' ';
    PutText(out, item.text);
}

// One line, taken a field at a time; any misfit makes it bad.
class Fields {
public:
    explicit Fields(std::string_view line) : rest_(line) {}
    bool bad = false;

    // A whole number in 0..max, digits only.
    int Number(int max) {
        const std::string_view f = Field();
        int v = -1;
        const auto [end, ec] = std::from_chars(f.data(), f.data() + f.size(), v);
        if (f.empty() || f.size() > 6 || ec != std::errc{} || end != f.data() + f.size() || f[0] == '-' ||
            v > max) {
            bad = true;
            return 0;
        }
        return v;
    }
    bool Word(std::string_view word) {
        if (Field() != word) bad = true;
        return !bad;
    }
    char Separator() {
        const std::string_view f = Field();
        if (f != "." && f != ",") bad = true;
        return bad ? '.' : f[0];
    }
    StackItem Item() {
        StackItem item;
        item.kind = static_cast<int16_t>(Number(kKindHex));
        const std::string_view bits = Field();
        uint64_t v = 0;
        if (bits.size() != 16) bad = true;
        for (const char c : bits) {
            const int d = HexDigit(c);
            if (d < 0) bad = true;
            v = (v << 4) | static_cast<uint64_t>(d & 15);
        }
        item.value = std::bit_cast<double>(v);
        item.text = Text();
        return item;
    }
    // The last field must have been taken.
    bool Done() const { return !bad && rest_.empty() && !more_; }

private:
    std::string_view Field() {
        if (!more_ && !first_) {
            bad = true;
            return {};
        }
        first_ = false;
        const std::size_t blank = rest_.find(' ');
        const std::string_view f = rest_.substr(0, blank);
        more_ = blank != std::string_view::npos;
        rest_ = more_ ? rest_.substr(blank + 1) : std::string_view{};
        return f;
    }
    std::string Text() {
        const std::string_view f = Field();
        std::string text;
        if (f.size() < 2 || f.front() != '"' || f.back() != '"') {
            bad = true;
            return text;
        }
        for (std::size_t i = 1; i + 1 < f.size(); ++i) {
            const auto c = static_cast<unsigned char>(f[i]);
            if (Plain(c)) {
                text += f[i];
            } else if (c == '%' && i + 3 < f.size() && HexDigit(f[i + 1]) >= 0 && HexDigit(f[i + 2]) >= 0) {
                text += static_cast<char>(HexDigit(f[i + 1]) * 16 + HexDigit(f[i + 2]));
                i += 2;
            } else {
                bad = true;
                return text;
            }
        }
        if (text.size() > kStackTextLimit) bad = true;
        return text;
    }

    std::string_view rest_;
    bool first_ = true;
    bool more_ = false;
};

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r')) line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

StackFileRead Refused(StackTrouble trouble, std::string why) {
    StackFileRead r;
    r.trouble = trouble;
    r.why = std::move(why);
    return r;
}

StackFileRead DamagedAt(std::size_t line, const std::string& what) {
    return Refused(StackTrouble::Damaged, "is damaged: line " + std::to_string(line + 1) + " " + what);
}

int EffectivePlaces(int places) { return std::clamp(places, 0, 15); }

// Whether texts made with a would be made the same with b.
bool SameTexts(const DecimalFormat& a, const DecimalFormat& b) {
    return EffectivePlaces(a.places) == EffectivePlaces(b.places) && a.fill == b.fill &&
           a.engineering == b.engineering && a.separator == b.separator;
}

}  // namespace

const char* TroubleShown(StackTrouble trouble) {
    switch (trouble) {
    case StackTrouble::None:
        return "";
    case StackTrouble::Unreadable:
        return "STACK UNREADABLE";
    case StackTrouble::Foreign:
        return "STACK FILE FOREIGN";
    case StackTrouble::Truncated:
        return "STACK FILE TRUNCATED";
    case StackTrouble::TooLong:
        return "STACK FILE TOO LONG";
    case StackTrouble::Damaged:
        return "STACK FILE DAMAGED";
    }
    return "STACK FILE DAMAGED";
}

std::string StackFileText(const StackFileContent& content) {
    const DecimalFormat& f = content.format;
    const StackSnapshot& s = content.stack;
    std::string out;
    out.reserve(64 + 40 * (s.records.size() + 1));
    out += kHeaderStart;
    out += kVersion;
    out += "\nformat " + std::to_string(EffectivePlaces(f.places)) + (f.fill ? " 1 " : " 0 ") +
           (f.engineering ? "1 " : "0 ") + (f.separator == ',' ? ',' : '.');
    out += "\ncount " + std::to_string(s.count);
    out += "\nundo " + std::string(s.undoAvailable ? "1 " : "0 ") + std::to_string(s.undoCount) + ' ';
    PutItem(out, s.undoItem);
    out += '\n';
    for (std::size_t n = 0; n < s.records.size(); ++n) {
        out += std::to_string(n);
        out += ' ';
        PutItem(out, s.records[n]);
        out += '\n';
    }
    out += kEnd;
    out += '\n';
    return out;
}

StackFileRead ReadStackFileText(std::string_view text) {
    if (text.size() > kStackReadLimit) {
        return Refused(StackTrouble::TooLong, "is larger than " + std::to_string(kStackReadLimit / 1024) +
                                                  " KiB, more than a full stack takes");
    }
    if (text.empty()) return Refused(StackTrouble::Truncated, "is empty");
    const std::vector<std::string_view> lines = Lines(text);
    const std::string_view header = lines[0];
    if (!header.starts_with(kHeaderStart)) {
        // A file cut inside its first line is ours, only short.
        if (lines.size() == 1 && kHeaderStart.starts_with(header))
            return Refused(StackTrouble::Truncated, "is truncated inside its first line");
        return Refused(StackTrouble::Foreign, "is not a Quorva stack file");
    }
    if (header.substr(kHeaderStart.size()) != kVersion) {
        if (lines.size() == 1) return Refused(StackTrouble::Truncated, "is truncated inside its first line");
        std::string version(header.substr(kHeaderStart.size(), 20));
        std::replace_if(version.begin(), version.end(), [](char c) { return !Plain(static_cast<unsigned char>(c)); }, '?');
        return Refused(StackTrouble::Foreign, "is in the format \"" + version + "\"; this Quorva reads format " +
                                                  std::string(kVersion));
    }
    const auto endLine = std::find(lines.begin(), lines.end(), kEnd);
    if (endLine == lines.end()) return Refused(StackTrouble::Truncated, "is truncated: it has no end line");
    const auto last = endLine - lines.begin();
    if (endLine + 1 != lines.end()) return DamagedAt(static_cast<std::size_t>(last + 1), "follows the end line");
    if (last < 5) return Refused(StackTrouble::Damaged, "is damaged: it ends before its first record");

    StackFileRead read;
    DecimalFormat& format = read.content.format;
    StackSnapshot& s = read.content.stack;
    {
        Fields f(lines[1]);
        f.Word("format");
        format.places = f.Number(15);
        format.fill = f.Number(1) == 1;
        format.engineering = f.Number(1) == 1;
        format.separator = f.Separator();
        if (!f.Done()) return DamagedAt(1, "is not \"format PLACES FILL ENGINEERING SEPARATOR\"");
    }
    {
        Fields f(lines[2]);
        f.Word("count");
        const int count = f.Number(999999);
        if (!f.Done()) return DamagedAt(2, "is not \"count ITEMS\"");
        if (count > OperandStack::kMaxItems) {
            return Refused(StackTrouble::TooLong, "holds " + std::to_string(count) + " items, more than the " +
                                                      std::to_string(OperandStack::kMaxItems) + " a stack takes");
        }
        s.count = static_cast<int16_t>(count);
    }
    {
        Fields f(lines[3]);
        f.Word("undo");
        s.undoAvailable = f.Number(1) == 1;
        s.undoCount = static_cast<int16_t>(f.Number(OperandStack::kMaxItems));
        s.undoItem = f.Item();
        if (!f.Done()) return DamagedAt(3, "is not \"undo AVAILABLE COUNT KIND BITS \"TEXT\"\"");
    }
    const std::size_t records = static_cast<std::size_t>(last) - 4;
    if (records > OperandStack::kMaxItems + 1) {
        return Refused(StackTrouble::TooLong, "holds " + std::to_string(records) + " records, more than the " +
                                                  std::to_string(OperandStack::kMaxItems + 1) + " a stack has");
    }
    if (records < static_cast<std::size_t>(s.count) + 1) {
        return Refused(StackTrouble::Damaged, "is damaged: it counts " + std::to_string(s.count) +
                                                  " items but holds the records of only " +
                                                  std::to_string(records - 1));
    }
    s.records.reserve(records);
    for (std::size_t n = 0; n < records; ++n) {
        Fields f(lines[4 + n]);
        const int position = f.Number(OperandStack::kMaxItems);
        const StackItem item = f.Item();
        if (!f.Done() || position != static_cast<int>(n)) {
            return DamagedAt(4 + n, "is not \"" + std::to_string(n) + " KIND BITS \"TEXT\"\"");
        }
        s.records.push_back(item);
    }
    return read;
}

std::string StackFilePathFor(const std::string& settingsPath) {
    const fs::path settings(settingsPath);
    return settings.has_parent_path() ? JoinPath(settings.parent_path().string(), kStackFileName)
                                      : std::string(kStackFileName);
}

void ApplyStackFile(StackFileContent content, Calculator& calc) {
    StackSnapshot& s = content.stack;
    if (!SameTexts(content.format, calc.Format())) {
        for (StackItem& item : s.records)
            if (item.kind == kKindDecimal) calc.Stack().MakeText(item);
        if (s.undoItem.kind == kKindDecimal) calc.Stack().MakeText(s.undoItem);
    }
    calc.Stack().Restore(s);
    calc.Redraw();
}

StackFileResult LoadStackFile(const std::string& path, Calculator& calc) {
    StackFileResult result;
    const textfile::Head head = textfile::ReadHead(path, kStackReadLimit);
    if (head.status == textfile::Head::Missing) return result;
    result.found = true;
    StackFileRead read = head.status == textfile::Head::Read
                             ? ReadStackFileText(head.bytes)
                             : Refused(StackTrouble::Unreadable, "cannot be read: " + head.error);
    if (read.trouble == StackTrouble::None) {
        ApplyStackFile(std::move(read.content), calc);
        return result;
    }
    result.ok = false;
    result.trouble = read.trouble;
    const std::string bad = path + kBadStackSuffix;
    std::error_code ec;
    fs::rename(path, bad, ec);
    result.message = "The stack file " + path + " " + read.why + "; the calculator starts with an empty stack" +
                     (ec ? ", and the file cannot be moved aside to " + bad + ": " + ec.message()
                         : "; the file is kept as " + bad);
    return result;
}

StackFileResult SaveStackFile(const std::string& path, const Calculator& calc) {
    StackFileResult result;
    const std::string error =
        textfile::WriteReplacing(path, StackFileText({calc.Format(), calc.Stack().Snapshot()}));
    if (!error.empty()) {
        result.ok = false;
        result.message = "Cannot save the stack to " + path + ": " + error;
    }
    return result;
}

StackFileResult RemoveStackFile(const std::string& path) {
    StackFileResult result;
    std::error_code ec;
    fs::remove(path, ec);
    if (ec) {
        result.ok = false;
        result.message = "Cannot remove the stack file " + path + ": " + ec.message();
    }
    return result;
}

}  // namespace quorva
