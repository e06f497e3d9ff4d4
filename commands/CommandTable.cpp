// The command vocabulary, the matcher that recognises a word while it is typed, the dispatcher,
// and the function list's way of running a row.

#include <string_view>

#include "Commands.h"
#include "MathFunctions.h"

namespace quorva {
namespace {

constexpr int kSlotWidth = 5;

// Slot by slot, the words of the word table; the empty ones separate the groups.
constexpr std::array<std::string_view, kCommandSlots> kWords = {
    "+",  "-",  "*",  "/",  "p",  "i",  "ad", "av",  "%",   "rt",  "ln",
    "lo", "e",  "m",  "rd", "t",  "f",  "",   ";a",  ";o",  ";n",  ";x",
    ";b", ";d", ";h", "",   ";;p", ";;s", ";;c", ";;t", ";;as", ";;ac", ";;at",
};

constexpr std::array<std::string_view, kFunctionRows> kHelp = {
    "+    ...addition",
    "-    ...substraction",
    "*    ...multiplication",
    "/    ...division",
    "p    ...power",
    "i    ...inverse",
    "ad   ...sum all",
    "av   ...average",
    "%    ...percent",
    "rt   ...square root",
    "ln   ...log (neperian)",
    "lo   ...log (base 10)",
    "e    ...exponential",
    "m    ...mod",
    "rd   ...round",
    "t    ...a x 10^b",
    "f    ...factor",
    " ",
    ";a   ...and",
    ";o   ...or",
    ";n   ...not",
    ";x   ...xor",
    ";b   ...to binary",
    ";d   ...to decimal",
    ";h   ...to hexadecimal",
    " ",
    ";;p  ...pi",
    ";;s  ...sin",
    ";;c  ...cos",
    ";;t  ...tan",
    ";;as ...arcsin",
    ";;ac ...arccos",
    ";;at ...arctan",
    " ",
    "c    ...clear stack",
    "d    ...drop item",
    "o    ...change sign",
    "s    ...swap items",
    "u    ...undo",
};

std::string BuildWords() {
    std::string words;
    words.reserve(kCommandSlots * kSlotWidth);
    for (std::string_view w : kWords) {
        std::string slot = " ";
        slot += w;
        slot.resize(kSlotWidth, ' ');
        words += slot;
    }
    return words;
}

std::array<std::string, kFunctionRows> BuildHelp() {
    std::array<std::string, kFunctionRows> help;
    for (int i = 0; i < kFunctionRows; ++i) help[i] = std::string(kHelp[i]);
    return help;
}

using Command = void (*)(Calculator&);

constexpr std::array<Command, kCommandSlots> kCommands = {
    Add,         Subtract,  Multiply,   DivideCommand, Power,    Inverse,   SumAll,
    Average,     Percent,   SquareRoot, NaturalLog,    CommonLog, Exponential, Modulo,
    RoundCommand, Scale,    Factorial,  nullptr,       And,      Or,        Not,
    Xor,         ToBinary,  ToDecimal,  ToHexadecimal, nullptr,  PushPi,    Sine,
    Cosine,      Tangent,   ArcSine,    ArcCosine,     ArcTangent,
};

constexpr int kFirstSingleKeyRow = 35;

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
    return static_cast<int>(kWords[slot - 1].size());
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
    if (Command command = kCommands[slot - 1]) command(calc);
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

void lstFunctions_DblClick(Calculator& calc) {
    const int k = calc.FunctionRow() + 1;
    calc.tmrEntry_Timer();
    if (k >= 1 && k < kFirstSingleKeyRow) {
        // A number still being typed is the operand of the command.
        calc.Guarded([&calc] { calc.PushEntry(); });
        calc.Guarded([&calc, k] { RunCommand(calc, k); });
        return;
    }
    switch (k) {
        case 35: calc.Guarded([&calc] { calc.ClearStackCommand(); }); break;
        case 36: calc.Guarded([&calc] { calc.DropCommand(); }); break;
        case 37: calc.Guarded([&calc] { calc.ChangeSignCommand(); }); break;
        case 38: calc.Guarded([&calc] { calc.SwapCommand(); }); break;
        case 39: calc.Guarded([&calc] { calc.UndoCommand(); }); break;
        default: break;
    }
}

}  // namespace quorva
