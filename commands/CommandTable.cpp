// The command vocabulary, the matcher that recognises a word while it is typed, the dispatcher,
// and the function list's way of running a row.

#include <string_view>

#include "Commands.h"
#include "MathFunctions.h"

namespace quorva {
namespace {

constexpr int kSlotWidth = 5;

using Command = void (*)(Calculator&);

// A row of the function list. Rows 1 to 33 are also the matcher's word slots; the blank rows
// separate the groups and run nothing.
struct CommandRow {
    std::string_view word;
    std::string_view help;
    Command run;
};

// The stack keys of the last group are typed alone, not as words.
void ClearStackRow(Calculator& calc) { calc.ClearStackCommand(); }
void DropRow(Calculator& calc) { calc.DropCommand(); }
void ChangeSignRow(Calculator& calc) { calc.ChangeSignCommand(); }
void SwapRow(Calculator& calc) { calc.SwapCommand(); }
void UndoRow(Calculator& calc) { calc.UndoCommand(); }

constexpr std::array<CommandRow, kFunctionRows> kRows{{
    {"+", "+    ...addition", Add},
    {"-", "-    ...substraction", Subtract},
    {"*", "*    ...multiplication", Multiply},
    {"/", "/    ...division", DivideCommand},
    {"p", "p    ...power", Power},
    {"i", "i    ...inverse", Inverse},
    {"ad", "ad   ...sum all", SumAll},
    {"av", "av   ...average", Average},
    {"%", "%    ...percent", Percent},
    {"rt", "rt   ...square root", SquareRoot},
    {"ln", "ln   ...log (neperian)", NaturalLog},
    {"lo", "lo   ...log (base 10)", CommonLog},
    {"e", "e    ...exponential", Exponential},
    {"m", "m    ...mod", Modulo},
    {"rd", "rd   ...round", RoundCommand},
    {"t", "t    ...a x 10^b", Scale},
    {"f", "f    ...factor", Factorial},
    {"", " ", nullptr},
    {";a", ";a   ...and", And},
    {";o", ";o   ...or", Or},
    {";n", ";n   ...not", Not},
    {";x", ";x   ...xor", Xor},
    {";b", ";b   ...to binary", ToBinary},
    {";d", ";d   ...to decimal", ToDecimal},
    {";h", ";h   ...to hexadecimal", ToHexadecimal},
    {"", " ", nullptr},
    {";;p", ";;p  ...pi", PushPi},
    {";;s", ";;s  ...sin", Sine},
    {";;c", ";;c  ...cos", Cosine},
    {";;t", ";;t  ...tan", Tangent},
    {";;as", ";;as ...arcsin", ArcSine},
    {";;ac", ";;ac ...arccos", ArcCosine},
    {";;at", ";;at ...arctan", ArcTangent},
    {"", " ", nullptr},
    {"", "c    ...clear stack", ClearStackRow},
    {"", "d    ...drop item", DropRow},
    {"", "o    ...change sign", ChangeSignRow},
    {"", "s    ...swap items", SwapRow},
    {"", "u    ...undo", UndoRow},
}};

constexpr int kFirstSingleKeyRow = 35;

std::string BuildWords() {
    std::string words;
    words.reserve(kCommandSlots * kSlotWidth);
    for (int slot = 0; slot < kCommandSlots; ++slot) {
        std::string cell = " ";
        cell += kRows[slot].word;
        cell.resize(kSlotWidth, ' ');
        words += cell;
    }
    return words;
}

std::array<std::string, kFunctionRows> BuildHelp() {
    std::array<std::string, kFunctionRows> help;
    for (int i = 0; i < kFunctionRows; ++i) help[i] = std::string(kRows[i].help);
    return help;
}

}  // namespace

const std::string& CommandWords() {
    static const std::string words = BuildWords();
    return words;
}

const std::array<std::string, kFunctionRows>& CommandHelp() {
    static const std::array<std::string, kFunctionRows> help = BuildHelp();
    return help;
}

int CommandLength(int slot) {
    if (slot < 1 || slot > kCommandSlots) return 0;
    return static_cast<int>(kRows[slot - 1].word.size());
}

void MatchCommandWord(Calculator& calc) {
    const std::string word = calc.EntryText();
    const std::size_t at = CommandWords().find(" " + word);
    if (at == std::string::npos) {
        calc.ShowMessage(word + " ...unknown function");
        return;
    }
    const int slot = static_cast<int>(at) / kSlotWidth + 1;
    calc.SetFunctionRow(slot - 1);
    if (static_cast<int>(word.size()) != CommandLength(slot)) return;  // a word still being typed
    calc.ShowMessage(CommandHelp()[slot - 1]);
    RunCommand(calc, slot);
}

void RunCommand(Calculator& calc, int slot) {
    if (slot < 1 || slot > kCommandSlots) return;
    if (Command command = kRows[slot - 1].run) command(calc);
}

int16_t ResultKind(int16_t kindA, int16_t kindB, double value) {
    if (kindA == kKindDecimal || kindB == kKindDecimal) return kKindDecimal;
    if (value >= 4294967296.0) return kKindDecimal;
    return (kindA == kKindHex || kindB == kKindHex) ? kKindHex : kKindBinary;
}

void InstallCommands(Calculator& calc) {
    calc.SetCommandHooks(CommandHooks{
        [&calc] { MatchCommandWord(calc); },
        [&calc] { ToggleAngleMode(calc); },
        [&calc] { NextDecimalPlaces(calc); },
    });
}

void RunFunctionRow(Calculator& calc) {
    const int k = calc.FunctionRow() + 1;
    calc.EntryTimerFired();
    if (k >= 1 && k < kFirstSingleKeyRow) {
        // A number still being typed is the operand of the command.
        calc.Guarded([&calc] { calc.PushEntry(); });
        calc.Guarded([&calc, k] { RunCommand(calc, k); });
        return;
    }
    if (k >= kFirstSingleKeyRow && k <= kFunctionRows) {
        calc.Guarded([&calc, k] { kRows[k - 1].run(calc); });
    }
}

}  // namespace quorva
