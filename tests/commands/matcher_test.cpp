// The word tables, the matcher, the dispatcher, ResultKind and the function list.

#include "CommandFixture.h"

namespace quorva::test {

TEST(CommandTables, WordsHelpAndLengthsAgree) {
    EXPECT_EQ(CommandWords(),
              " +    -    *    /    p    i    ad   av   %    rt   ln   lo   e    m    rd   t    f  "
              "       ;a   ;o   ;n   ;x   ;b   ;d   ;h        ;;p  ;;s  ;;c  ;;t  ;;as ;;ac ;;at");
    for (int k = 1; k <= kCommandSlots; ++k) {
        const std::string word = CommandWords().substr(5 * (k - 1) + 1, CommandLength(k));
        const std::string& help = CommandHelp()[k - 1];
        if (k == 18 || k == 26) {
            EXPECT_EQ(CommandLength(k), 0);
            EXPECT_EQ(help, " ");
            continue;
        }
        // The help text begins with the word in a five-character column.
        EXPECT_EQ(help.substr(0, 5), (word + "     ").substr(0, 5)) << k;
        EXPECT_EQ(help.substr(5, 3), "...") << k;
        if (word.size() < 4) {
            EXPECT_EQ(CommandWords()[5 * (k - 1) + 1 + word.size()], ' ') << k;
        }
    }
    EXPECT_EQ(CommandHelp()[1], "-    ...substraction");
    EXPECT_EQ(CommandHelp()[33], " ");
    EXPECT_EQ(CommandHelp()[34], "c    ...clear stack");
    EXPECT_EQ(CommandHelp()[38], "u    ...undo");
    EXPECT_EQ(CommandLength(0), 0);
    EXPECT_EQ(CommandLength(34), 0);
}

TEST(CommandTables, ResultKind) {
    const struct { int16_t a, b; double v; int16_t kind; } kCases[] = {
        {B, B, 8, B},  {B, H, 8, H},           {H, B, -1, H},         {D, H, 8, D},
        {H, D, 8, D},  {H, H, 4294967295.0, H}, {H, H, 4294967296.0, D}, {B, B, 1e10, D},
    };
    for (const auto& c : kCases) EXPECT_EQ(ResultKind(c.a, c.b, c.v), c.kind) << c.a << c.b << c.v;
}

// A word that only begins a command stays in the entry line and selects the first command it
// begins; an unknown word is shown with its own text and discarded.
TEST_F(CommandTest, PartialAndUnknownWords) {
    const struct { const char* keys; const char* caption; EntryState state; int row; } kCases[] = {
        {"a", "a", EntryState::Command, 6},        {"r", "r", EntryState::Command, 9},
        {"l", "l", EntryState::Command, 10},       {";", ";", EntryState::Command, 18},
        {";;", ";;", EntryState::Command, 26},     {";;a", ";;a", EntryState::Command, 30},
        {"x", "x ...unknown function", EntryState::Idle, -1},
        {";;q", ";;q ...unknown function", EntryState::Idle, 26},
    };
    for (const auto& c : kCases) {
        calc.Escape();
        calc.SetFunctionRow(-1);
        EXPECT_EQ(Type(c.keys), c.caption) << c.keys;
        EXPECT_EQ(calc.State(), c.state) << c.keys;
        EXPECT_EQ(calc.FunctionRow(), c.row) << c.keys;
        if (c.state == EntryState::Idle) {
            EXPECT_EQ(calc.EntryText(), "");
            EXPECT_TRUE(calc.TimerRunning());
        }
    }
}

TEST_F(CommandTest, CompletedWordShowsHelpThenRuns) {
    Load({{D, 1}, {D, 3}});
    EXPECT_EQ(Type("a"), "a");
    EXPECT_EQ(Type("v"), "av   ...average");
    EXPECT_EQ(calc.EntryText(), "");
    EXPECT_EQ(calc.State(), EntryState::Idle);
    EXPECT_TRUE(calc.TimerRunning());
    EXPECT_EQ(calc.FunctionRow(), 7);
    ExpectStack({{D, 2}});
}

TEST_F(CommandTest, SeparatorAndOutOfRangeSlotsDoNothing) {
    Load({{D, 2}, {D, 3}});
    for (int slot : {18, 26, 0, 34, -1, 40}) RunCommand(calc, slot);
    ExpectStack({{D, 2}, {D, 3}});
    EXPECT_FALSE(calc.Stack().UndoAvailable());
}

// A press on a row of the function list: rows up to 34 take a typed number first.
TEST_F(CommandTest, FunctionListRows) {
    const struct {
        const char* name; std::vector<Item> start; const char* typed; std::vector<int> rows;
        bool degrees; const char* entry; std::vector<Item> after;
    } kCases[] = {
        {"sine of typed 30", {}, "30", {27}, true, "", {{D, 0.5}}},
        {"clear keeps typed", {{D, 1}, {D, 2}}, "5", {34}, false, "5", {}},
        {"double click adds twice", {{D, 1}, {D, 2}, {D, 3}}, "", {0, 0}, false, "", {{D, 6}}},
        {"error is reported", {{D, 5}}, "0", {3}, false, "DIVISION BY ZERO", {{D, 5}}},
        {"separator only pushes", {}, "7", {17}, false, "", {{D, 7}}},
        {"no row does nothing", {{D, 1}}, "7", {-1}, false, "7", {{D, 1}}},
        {"change sign of item", {{D, 5}}, "3", {36}, false, "3", {{D, -5}}},
        {"undo", {{D, 2}, {D, 3}}, "", {0, 38}, false, "", {{D, 2}, {D, 3}}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        calc.Escape();
        calc.Stack().Clear();
        calc.SetAngleRadians(!c.degrees);
        Load(c.start);
        Type(c.typed);
        for (int row : c.rows) {
            calc.SetFunctionRow(row);
            lstFunctions_DblClick(calc);
        }
        EXPECT_EQ(calc.EntryCaption(), c.entry);
        ExpectStack(c.after, 1e-15);
    }
}

}  // namespace quorva::test
