#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>

#include "Fakes.h"
#include "StackFile.h"

namespace quorva {
namespace {

using namespace test;
namespace fs = std::filesystem;

uint64_t Bits(double v) { return std::bit_cast<uint64_t>(v); }

// Kind, every value bit and text; StackItem's own == takes -0 for 0 and never matches a NaN.
std::string Exactly(const StackItem& item) {
    char bits[17];
    std::snprintf(bits, sizeof bits, "%016llx", static_cast<unsigned long long>(Bits(item.value)));
    return std::to_string(item.kind) + " " + bits + " " + item.text;
}

std::vector<std::string> Exactly(const StackSnapshot& s) {
    std::vector<std::string> out{"count " + std::to_string(s.count),
                                 "undo " + std::to_string(s.undoAvailable) + " " + std::to_string(s.undoCount) + " " +
                                     Exactly(s.undoItem)};
    for (const StackItem& item : s.records) out.push_back(Exactly(item));
    return out;
}

// A stack no key could make, but that every bit of the file must carry: values that are not
// finite, -0, the smallest and largest doubles, texts of every awkward byte, records above the
// count, an empty record on the stack.
StackSnapshot OddStack() {
    const double nan = std::bit_cast<double>(uint64_t{0x7FF8DEADBEEF0001});
    StackSnapshot s;
    s.records = {
        {kKindDecimal, 12.5, "stale at 0"},
        {kKindDecimal, 1.0 / 3, "0.333333333333333"},
        {kKindBinary, 5, "'101"},
        {kKindHex, 4294967295.0, "&&FFFFFFFF"},
        {kKindDecimal, -0.0, "-0"},
        {kKindEmpty, 0, ""},
        {kKindDecimal, std::numeric_limits<double>::denorm_min(), "4.94065645841247E-324"},
        {kKindDecimal, -std::numeric_limits<double>::max(), "-1.79769313486232E+308"},
        {kKindDecimal, std::numeric_limits<double>::infinity(), "inf"},
        {kKindDecimal, nan, "a \"b\" 100% \t\r\n\x01\x7f\xff\xc3\xa9 \\"},
        {kKindHex, 255, "&&FF"},  // above the count
        {kKindBinary, 2, "'10"},
    };
    s.count = 10;
    s.undoAvailable = true;
    s.undoItem = {kKindDecimal, 0.1, "0,1"};
    s.undoCount = 11;
    return s;
}

TEST(StackFileFormat, EveryKindValueBitAndTextComesBack) {
    const struct {
        const char* name;
        DecimalFormat format;
        StackSnapshot stack;
    } cases[] = {
        {"empty", {}, StackSnapshot{{StackItem{}}, 0, false, {}, 0}},
        {"odd", {3, false, false, ','}, OddStack()},
        {"full", {0, true, true, '.'}, [] {
             StackSnapshot s;
             for (int n = 0; n <= OperandStack::kMaxItems; ++n)
                 s.records.push_back({static_cast<int16_t>(1 + n % 3), n * 1.1, std::string(kStackTextLimit, 'x')});
             s.count = OperandStack::kMaxItems;
             s.undoCount = OperandStack::kMaxItems;
             return s;
         }()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = StackFileText({c.format, c.stack});
        EXPECT_LE(text.size(), kStackReadLimit);
        const StackFileRead read = ReadStackFileText(text);
        ASSERT_EQ(read.trouble, StackTrouble::None) << read.why;
        EXPECT_EQ(Exactly(read.content.stack), Exactly(c.stack));
        EXPECT_EQ(read.content.format.places, c.format.places);
        EXPECT_EQ(read.content.format.fill, c.format.fill);
        EXPECT_EQ(read.content.format.engineering, c.format.engineering);
        EXPECT_EQ(read.content.format.separator, c.format.separator);
        EXPECT_EQ(StackFileText(read.content), text);
    }
    // What the file looks like: the texts escaped, the bits in hexadecimal.
    const std::string odd = StackFileText({{3, false, false, ','}, OddStack()});
    EXPECT_TRUE(odd.starts_with("Quorva stack 1\nformat 3 0 0 ,\ncount 10\nundo 1 11 1 3FB999999999999A \"0,1\"\n"
                                "0 1 4029000000000000 \"stale%20at%200\"\n"))
        << odd;
    EXPECT_NE(odd.find("\n9 1 7FF8DEADBEEF0001 \"a%20%22b%22%20100%25%20%09%0D%0A%01%7F%FF%C3%A9%20\\\"\n"),
              std::string::npos)
        << odd;
    EXPECT_TRUE(odd.ends_with("\n11 2 4000000000000000 \"'10\"\nend\n"));
    // CR LF line ends, as an editor elsewhere may leave them, read the same.
    std::string crlf;
    for (const char ch : odd) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    const StackFileRead read = ReadStackFileText(crlf);
    ASSERT_EQ(read.trouble, StackTrouble::None) << read.why;
    EXPECT_EQ(Exactly(read.content.stack), Exactly(OddStack()));
}

// The calculator's own stack through the file and back: what Snapshot leaves out is only the
// empty records past the last one used.
TEST(StackFile, TheCalculatorsStackAndUndoSurviveASaveAndALoad) {
    ScratchFolder dir;
    AppState a;
    OperandStack& st = a.calc.Stack();
    for (int n = 1; n <= OperandStack::kMaxItems; ++n) st.Push(static_cast<int16_t>(1 + n % 3), n / 7.0 * (n % 2 ? 1 : -1));
    a.calc.DropCommand();
    a.calc.DropCommand();  // undo would bring back item 299
    const std::string path = dir / "quorva.stack";
    ASSERT_TRUE(SaveStackFile(path, a.calc).ok);

    AppState b;
    const StackFileResult loaded = LoadStackFile(path, b.calc);
    ASSERT_TRUE(loaded.ok && loaded.found) << loaded.message;
    EXPECT_EQ(Exactly(b.calc.Stack().Snapshot()), Exactly(st.Snapshot()));
    EXPECT_EQ(b.calc.Views().stackCaption, a.calc.Views().stackCaption);
    b.calc.UndoCommand();
    a.calc.UndoCommand();
    EXPECT_EQ(b.calc.Stack().StackCount(), 299);
    EXPECT_EQ(Exactly(b.calc.Stack().Snapshot()), Exactly(st.Snapshot()));
    EXPECT_FALSE(fs::exists(path + kBadStackSuffix));

    AppState none;
    const StackFileResult missing = LoadStackFile(dir / "none.stack", none.calc);
    EXPECT_TRUE(missing.ok && !missing.found);
}

// Texts stay as stored while they were made as the calculator makes them now; otherwise the
// decimal texts (those above the count and the undo record's too) are made again, as a change
// of places makes them, and without full precision their values follow.
TEST(StackFile, DecimalTextsAreMadeAgainOnlyWhereTheirFormatChanged) {
    StackSnapshot s;
    s.records = {{}, {kKindDecimal, 2.0 / 3, "as stored"}, {kKindHex, 255, "&&ff as stored"},
                 {kKindBinary, 5, "'101 as stored"}, {kKindDecimal, 1.25, "above"}};
    s.count = 3;
    s.undoItem = {kKindDecimal, 0.125, "undo"};
    const struct {
        const char* name;
        DecimalFormat stored;
        const char* set;  // settings lines for the calculator that loads it
        std::string top, above, undo;
        double value;
    } cases[] = {
        {"same format", {15, true, false, '.'}, "EngineeringFormat= 0", "as stored", "above", "undo", 2.0 / 3},
        {"15 places either way", {15, true, false, '.'}, "EngineeringFormat= 0\nDecimals= 40", "as stored", "above",
         "undo", 2.0 / 3},
        {"other places", {15, true, false, '.'}, "EngineeringFormat= 0\nDecimals= 2", "0.67", "1.25", "0.12", 2.0 / 3},
        {"no fill", {3, true, false, '.'}, "EngineeringFormat= 0\nDecimals= 3\nFillDecimals= 0", "0.667", "1.25",
         "0.125", 2.0 / 3},
        {"engineering", {15, true, false, '.'}, "", "666.666666666667000E-3", "1.250000000000000",
         "125.000000000000000E-3", 2.0 / 3},
        {"other separator", {15, true, false, ','}, "EngineeringFormat= 0", "0.666666666666667", "1.250000000000000",
         "0.125000000000000", 2.0 / 3},
        {"rounded values", {15, true, false, '.'}, "EngineeringFormat= 0\nDecimals= 2\nKeepFullPrecision= 0", "0.67",
         "1.25", "0.12", 0.67},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AppState a;
        ApplySettingsText(c.set, a.ctx);
        StackFileRead read = ReadStackFileText(StackFileText({c.stored, s}));
        ASSERT_EQ(read.trouble, StackTrouble::None) << read.why;
        ApplyStackFile(std::move(read.content), a.calc);
        const OperandStack& st = a.calc.Stack();
        EXPECT_EQ(st.ItemRef(1).text, c.top);
        EXPECT_EQ(st.ItemRef(1).value, c.value);
        EXPECT_EQ(st.ItemRef(2).text, "&&ff as stored");
        EXPECT_EQ(st.ItemRef(3).text, "'101 as stored");
        EXPECT_EQ(st.Snapshot().records.at(4).text, c.above);
        EXPECT_EQ(st.UndoItem().text, c.undo);
    }
}

// Whatever is wrong with the file, the calculator starts empty, the file is moved aside whole
// (over an older one) and the message says where the file is, why it was refused and where it
// went.
TEST(StackFile, ABadFileLeavesTheStackEmptyAndIsMovedAsideWithTheReason) {
    const std::string good = StackFileText({{}, OddStack()});
    auto replaced = [&good](const std::string& from, const std::string& to) {
        std::string t = good;
        t.replace(t.find(from), from.size(), to);
        return t;
    };
    std::string over = "Quorva stack 1\nformat 15 1 1 .\ncount 0\nundo 0 0 0 0000000000000000 \"\"\n";
    for (int n = 0; n <= 301; ++n) over += std::to_string(n) + " 0 0000000000000000 \"\"\n";
    over += "end\n";
    const struct {
        const char* name;
        std::string bytes;
        StackTrouble trouble;
        const char* why;
    } cases[] = {
        {"empty", "", StackTrouble::Truncated, "is empty"},
        {"cut in the header", "Quorva st", StackTrouble::Truncated, "inside its first line"},
        {"cut in a record", good.substr(0, good.size() / 2), StackTrouble::Truncated, "no end line"},
        {"cut before end", good.substr(0, good.size() - 4), StackTrouble::Truncated, "no end line"},
        {"settings file", "WindowPositionX= 100\r\nSkinFile=default\r\n", StackTrouble::Foreign, "not a Quorva stack"},
        {"later format", replaced("stack 1", "stack 2"), StackTrouble::Foreign, "format \"2\""},
        {"301 items", replaced("count 10", "count 301"), StackTrouble::TooLong, "301 items"},
        {"302 records", over, StackTrouble::TooLong, "302 records"},
        {"too large", good + std::string(kStackReadLimit, '\n'), StackTrouble::TooLong, "larger than 80 KiB"},
        {"kind 4", replaced("\n2 2 ", "\n2 4 "), StackTrouble::Damaged, "line 7 "},
        {"bits cut", replaced("4029000000000000", "402900000000000"), StackTrouble::Damaged, "line 5 "},
        {"bits not hex", replaced("4029000000000000", "40290000000000G0"), StackTrouble::Damaged, "line 5 "},
        {"records swapped", replaced("\n2 2 ", "\n1 2 "), StackTrouble::Damaged, "line 7 "},
        {"a raw blank", replaced("stale%20at", "stale at"), StackTrouble::Damaged, "line 5 "},
        {"a bad escape", replaced("%20at", "%2Gat"), StackTrouble::Damaged, "line 5 "},
        {"no quotes", replaced("\"'101\"", "'101"), StackTrouble::Damaged, "line 7 "},
        {"text too long", replaced("'101", std::string(kStackTextLimit + 1, '1')), StackTrouble::Damaged, "line 7 "},
        {"a NUL", replaced("count 10", std::string("count 1\0", 8)), StackTrouble::Damaged, "line 3 "},
        {"17 places", replaced("format 15", "format 17"), StackTrouble::Damaged, "line 2 "},
        {"undo count 301", replaced("undo 1 11", "undo 1 301"), StackTrouble::Damaged, "line 4 "},
        {"fewer records than items", replaced("count 10", "count 12"), StackTrouble::Damaged, "counts 12 items"},
        {"after the end", good + "0 0 0000000000000000 \"\"\n", StackTrouble::Damaged, "follows the end line"},
        {"trailing blank", replaced("count 10", "count 10 "), StackTrouble::Damaged, "line 3 "},
    };
    ScratchFolder dir;
    const std::string path = dir / "quorva.stack", bad = path + kBadStackSuffix;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(bad, "an older bad file");
        WriteFile(path, c.bytes);
        AppState a;
        const StackFileResult r = LoadStackFile(path, a.calc);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.trouble, c.trouble);
        EXPECT_NE(r.message.find("The stack file " + path + " "), std::string::npos) << r.message;
        EXPECT_NE(r.message.find(c.why), std::string::npos) << r.message;
        EXPECT_NE(r.message.find("kept as " + bad), std::string::npos) << r.message;
        EXPECT_EQ(a.calc.Stack().StackCount(), 0);
        EXPECT_FALSE(a.calc.Stack().UndoAvailable());
        EXPECT_FALSE(fs::exists(path));
        EXPECT_EQ(ReadFile(bad), c.bytes);
    }
    // Something that is not a file at all is moved aside too, and what cannot be moved is said.
    fs::remove(bad);
    fs::create_directory(path);
    AppState a;
    StackFileResult r = LoadStackFile(path, a.calc);
    EXPECT_EQ(r.trouble, StackTrouble::Unreadable);
    EXPECT_NE(r.message.find("cannot be read: not a regular file"), std::string::npos) << r.message;
    EXPECT_TRUE(fs::is_directory(bad));
    fs::create_directory(path);
    WriteFile(bad + "/inside", "x");
    r = LoadStackFile(path, a.calc);
    EXPECT_NE(r.message.find("cannot be moved aside to " + bad), std::string::npos) << r.message;
    EXPECT_EQ(std::string(TroubleShown(StackTrouble::Damaged)), "STACK FILE DAMAGED");
}

}  // namespace
}  // namespace quorva
