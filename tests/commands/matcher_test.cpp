// The matcher, and the function list's way of running a row.

#include <sstream>

#include "CommandFixture.h"

namespace quorva::test {

// Every word, typed whole, runs at once: the entry line shows the word's own help, the word
// is gone, and its row of the function list is selected.
TEST_F(CommandTest, EveryWholeWordShowsItsHelpAndRuns) {
    std::istringstream words("+ - * / p i ad av % rt ln lo e m rd t f ;a ;o ;n ;x ;b ;d ;h ;;p "
                             ";;s ;;c ;;t ;;as ;;ac ;;at");
    int row = 0;
    for (std::string word; words >> word;) {
        row += row == 17 || row == 25;  // the blank rows between the groups
        calc.Stack().Clear();
        Load({{D, 1}, {D, 1}});
        EXPECT_EQ(Type(word).substr(0, 8), (word + "     ").substr(0, 5) + "...") << word;
        EXPECT_EQ(calc.EntryText(), "") << word;
        EXPECT_EQ(calc.State(), EntryState::Idle) << word;
        EXPECT_TRUE(calc.TimerRunning()) << word;
        EXPECT_EQ(calc.FunctionRow(), row++) << word;
    }
}

// A word that only begins a command stays in the entry line and selects the first command it
// begins; an unknown word is shown with its own text and discarded.
TEST_F(CommandTest, PartialAndUnknownWords) {
    const struct { const char* keys, *caption; EntryState state; int row; } rows[] = {
        {"a", "a", EntryState::Command, 6},    {"r", "r", EntryState::Command, 9},
        {"l", "l", EntryState::Command, 10},   {";", ";", EntryState::Command, 18},
        {";;", ";;", EntryState::Command, 26}, {";;a", ";;a", EntryState::Command, 30},
        {"x", "x ...unknown function", EntryState::Idle, -1},
    };
    for (const auto& r : rows) {
        calc.KeyDown(kKeyEscape, 0);
        calc.SetFunctionRow(-1);
        EXPECT_EQ(Type(r.keys), r.caption) << r.keys;
        EXPECT_EQ(calc.State(), r.state) << r.keys;
        EXPECT_EQ(calc.FunctionRow(), r.row) << r.keys;
    }
    EXPECT_EQ(calc.EntryText(), "");
    EXPECT_TRUE(calc.TimerRunning());
    // A press on no row (the key cases fn_* press on rows) runs nothing, the typed number stays.
    Type("7");
    calc.SetFunctionRow(-1);
    RunFunctionRow(calc);
    EXPECT_EQ(calc.EntryCaption(), "7");
    EXPECT_EQ(calc.Stack().StackCount(), 0);
}

}  // namespace quorva::test
