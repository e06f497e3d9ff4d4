#include <gtest/gtest.h>

#include <bit>
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

// Kind, every value bit and text: StackItem's own == takes -0 for 0 and never matches a NaN.
std::vector<std::string> Exactly(StackSnapshot s) {
    std::vector<std::string> out{std::to_string(s.count) + " " + std::to_string(s.undoAvailable) + " " +
                                 std::to_string(s.undoCount)};
    s.records.push_back(s.undoItem);
    for (const StackItem& i : s.records) {
        const uint64_t bits = std::bit_cast<uint64_t>(i.value);
        out.push_back(std::to_string(i.kind) + " " + std::to_string(bits) + " " + i.text);
    }
    return out;
}

// No key makes this stack, but the file must carry every bit of it: values that are not finite,
// -0, the extreme doubles, texts of every awkward byte, records above the count, an empty one.
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
        {"odd", {3, false, false, ','}, OddStack()},
        {"full", {0, true, true, '.'}, [] {
             StackSnapshot s;
             for (int n = 0; n <= OperandStack::kMaxItems; ++n)
                 s.records.push_back({static_cast<int16_t>(1 + n % 3), n * 1.1, std::string(kStackTextLimit, 'x')});
             s.count = s.undoCount = OperandStack::kMaxItems;
             return s;
         }()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = StackFileText({c.format, c.stack});
        EXPECT_LE(text.size(), kStackReadLimit);
        std::string crlf;  // as an editor elsewhere may leave it: read the same
        for (const char ch : text) crlf += ch == '\n' ? "\r\n" : std::string(1, ch);
        for (const std::string& bytes : {text, crlf}) {
            const StackFileRead read = ReadStackFileText(bytes);
            ASSERT_EQ(read.trouble, StackTrouble::None) << read.why;
            EXPECT_EQ(Exactly(read.content.stack), Exactly(c.stack));
            EXPECT_EQ(StackFileText(read.content), text);  // the format line too
        }
    }
    // What the file looks like: the texts escaped, the bits in hexadecimal.
    const StackSnapshot two{
        {OddStack().records[9], {kKindHex, 255, "&&FF"}}, 1, true, {kKindDecimal, 0.1, "0,1"}, 7};
    EXPECT_EQ(StackFileText({{3, false, false, ','}, two}),
              "Quorva stack 1\nformat 3 0 0 ,\ncount 1\nundo 1 7 1 3FB999999999999A \"0,1\"\n"
              "0 1 7FF8DEADBEEF0001 \"a%20%22b%22%20100%25%20%09%0D%0A%01%7F%FF%C3%A9%20\\\"\n"
              "1 3 406FE00000000000 \"&&FF\"\nend\n");
}

// The calculator's own stack through the file and back: what Snapshot leaves out is only the
// empty records past the last one used. A save that fails says so.
TEST(StackFile, TheCalculatorsStackAndUndoSurviveASaveAndALoad) {
    ScratchFolder dir;
    AppState a, b;
    OperandStack& st = a.calc.Stack();
    for (int n = 1; n <= OperandStack::kMaxItems; ++n) st.Push(static_cast<int16_t>(1 + n % 3), n / 7.0 * (n % 2 ? 1 : -1));
    a.calc.DropCommand();
    a.calc.DropCommand();  // undo would bring back item 299
    const std::string path = dir / "quorva.stack";
    ASSERT_TRUE(SaveStackFile(path, a.calc).ok);
    const StackFileResult loaded = LoadStackFile(path, b.calc);
    ASSERT_TRUE(loaded.ok && loaded.found) << loaded.message;
    EXPECT_EQ(Exactly(b.calc.Stack().Snapshot()), Exactly(st.Snapshot()));
    EXPECT_EQ(b.calc.Views().stackCaption, a.calc.Views().stackCaption);
    b.calc.UndoCommand();
    a.calc.UndoCommand();
    EXPECT_EQ(Exactly(b.calc.Stack().Snapshot()), Exactly(st.Snapshot()));

    const StackFileResult missing = LoadStackFile(dir / "none.stack", b.calc);
    EXPECT_TRUE(missing.ok && !missing.found);
    EXPECT_EQ(b.calc.Stack().StackCount(), 299);
    EXPECT_FALSE(SaveStackFile(path + "/quorva.stack", a.calc).ok);  // below a file
}

// Stored texts stay while the calculator would make them the same; otherwise the decimal ones
// (above the count and the undo record's too) are made again, and without full precision values.
TEST(StackFile, DecimalTextsAreMadeAgainOnlyWhereTheirFormatChanged) {
    StackSnapshot s;
    s.records = {{}, {kKindDecimal, 2.0 / 3, "as stored"}, {kKindHex, 255, "&&ff as stored"},
                 {kKindBinary, 5, "'101 as stored"}, {kKindDecimal, 1.25, "above"}};
    s.count = 3;
    s.undoItem = {kKindDecimal, 0.125, "undo"};
    const struct {
        char separator;  // of the stored texts, made with 15 places, filled
        const char* set;  // settings lines for the calculator that loads it
        std::string top, above, undo;
        double value;
    } cases[] = {
        {'.', "Decimals= 40", "as stored", "above", "undo", 2.0 / 3},  // 15 places either way
        {'.', "Decimals= 2", "0.67", "1.25", "0.12", 2.0 / 3},
        {'.', "FillDecimals= 0", "0.666666666666667", "1.25", "0.125", 2.0 / 3},
        {'.', "EngineeringFormat= 1", "666.666666666667000E-3", "1.250000000000000", "125.000000000000000E-3", 2.0 / 3},
        {',', "", "0.666666666666667", "1.250000000000000", "0.125000000000000", 2.0 / 3},
        {'.', "Decimals= 2\nKeepFullPrecision= 0", "0.67", "1.25", "0.12", 0.67},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.set);
        AppState a;
        ApplySettingsText(std::string("EngineeringFormat= 0\n") + c.set, a.ctx);
        StackFileRead read = ReadStackFileText(StackFileText({{15, true, false, c.separator}, s}));
        ASSERT_EQ(read.trouble, StackTrouble::None) << read.why;
        ApplyStackFile(std::move(read.content), a.calc);
        const StackSnapshot got = a.calc.Stack().Snapshot();
        EXPECT_EQ(got.records.at(1).value, c.value);
        EXPECT_EQ(got.records.at(1).text, c.top);
        EXPECT_EQ(got.records.at(4).text, c.above);
        EXPECT_EQ(got.undoItem.text, c.undo);
        EXPECT_EQ(got.records.at(2).text + got.records.at(3).text, "&&ff as stored'101 as stored");
    }
}

// A bad file is refused whole, with the trouble the entry line shows and a reason pointing at it.
TEST(StackFileFormat, ABadFileIsRefusedWithItsReason) {
    const std::string good = StackFileText({{}, OddStack()});
    auto replaced = [&good](const std::string& from, const std::string& to) {
        std::string t = good;
        t.replace(t.find(from), from.size(), to);
        return t;
    };
    std::string over = "Quorva stack 1\nformat 15 1 1 .\ncount 0\nundo 0 0 0 0000000000000000 \"\"\n";
    for (int n = 0; n <= 301; ++n) over += std::to_string(n) + " 0 0000000000000000 \"\"\n";
    const struct {
        std::string bytes;
        StackTrouble trouble;
        const char* why;
    } cases[] = {
        {"", StackTrouble::Truncated, "is empty"},
        {"Quorva st", StackTrouble::Truncated, "inside its first line"},
        {good.substr(0, good.size() / 2), StackTrouble::Truncated, "no end line"},
        {"WindowPositionX= 100\r\nSkinFile=default\r\n", StackTrouble::Foreign, "not a Quorva stack"},
        {replaced("stack 1", "stack 2"), StackTrouble::Foreign, "format \"2\""},
        {replaced("count 10", "count 301"), StackTrouble::TooLong, "301 items"},
        {over + "end\n", StackTrouble::TooLong, "302 records"},
        {replaced("\n2 2 ", "\n2 4 "), StackTrouble::Damaged, "line 7 "},  // kind 4
        {replaced("4029000000000000", "402900000000000"), StackTrouble::Damaged, "line 5 "},
        {replaced("4029000000000000", "40290000000000G0"), StackTrouble::Damaged, "line 5 "},
        {replaced("\n2 2 ", "\n1 2 "), StackTrouble::Damaged, "line 7 "},  // records swapped
        {replaced("stale%20at", "stale at"), StackTrouble::Damaged, "line 5 "},
        {replaced("%20at", "%2Gat"), StackTrouble::Damaged, "line 5 "},
        {replaced("\"'101\"", "'101"), StackTrouble::Damaged, "line 7 "},
        {replaced("'101", std::string(kStackTextLimit + 1, '1')), StackTrouble::Damaged, "line 7 "},
        {replaced("count 10", std::string("count 1\0", 8)), StackTrouble::Damaged, "line 3 "},
        {replaced("format 15", "format 17"), StackTrouble::Damaged, "line 2 "},
        {replaced("count 10", "count 12"), StackTrouble::Damaged, "counts 12 items"},
        {good + "0 0 0000000000000000 \"\"\n", StackTrouble::Damaged, "follows the end line"},
        {replaced("count 10", "count 10 "), StackTrouble::Damaged, "line 3 "},
        {replaced("count 10", "total 10"), StackTrouble::Damaged, "line 3 "},
    };
    for (const auto& c : cases) {
        const StackFileRead read = ReadStackFileText(c.bytes);
        EXPECT_EQ(read.trouble, c.trouble) << c.bytes.substr(0, 80);
        EXPECT_NE(read.why.find(c.why), std::string::npos) << read.why;
    }
}

// A refused file leaves the stack as it was and is moved aside whole (over an older one); the
// message says where it is, why and where it went; what is not a file, or cannot be moved, is said.
TEST(StackFile, ARefusedFileIsMovedAsideAndTheMessageSaysWhereAndWhy) {
    ScratchFolder dir;
    const std::string path = dir / "quorva.stack", bad = path + kBadStackSuffix;
    const std::string large = StackFileText({{}, OddStack()}) + std::string(kStackReadLimit, '\n');
    WriteFile(bad, "an older bad file");
    WriteFile(path, large);
    AppState a;
    a.calc.Stack().Push(kKindDecimal, 7);
    StackFileResult r = LoadStackFile(path, a.calc);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.trouble, StackTrouble::TooLong);
    EXPECT_EQ(r.message, "The stack file " + path + " is larger than 80 KiB, more than a full stack takes; the "
                         "calculator starts with an empty stack; the file is kept as " + bad);
    EXPECT_EQ(a.calc.Stack().StackCount(), 1);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(ReadFile(bad), large);

    fs::remove(bad);  // a folder cannot be moved over a file
    fs::create_directory(path);
    r = LoadStackFile(path, a.calc);
    EXPECT_EQ(r.trouble, StackTrouble::Unreadable);
    EXPECT_NE(r.message.find("cannot be read: not a regular file"), std::string::npos) << r.message;
    fs::create_directory(path);
    WriteFile(bad + "/inside", "x");
    r = LoadStackFile(path, a.calc);
    EXPECT_NE(r.message.find("cannot be moved aside to " + bad), std::string::npos) << r.message;
}

}  // namespace
}  // namespace quorva
