// Key events chosen by the input's bytes; the invariants hold after each, and undo after one that
// made an undo record gives back the stack before it.

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "Commands.h"
#include "FuzzCheck.h"
#include "KeyScript.h"
#include "NumberText.h"
#include "StackViews.h"

using namespace quorva;

namespace {

constexpr int16_t kKeyCodes[] = {kKeyBack, kKeyEnter, kKeyEscape, kKeyUp, kKeyDown, kKeyDelete,
                                 kKeyC,    kKeyV,     kKeyF1,     kKeyF2, kKeyF3,   kKeyF4};
// The characters the key-press tables name, and a few they ignore.
constexpr char kChars[] = "0123456789.,&'%;+-*/abcdefghijklmnopqrstuvwxyzABCDEF \b\r\x1b<";
const char* const kNamed[] = {"<Enter>", "<Esc>", "<BS>", "<Del>", "<Up>", "<Down>", "<F1>",
                              "<F2>", "<F3>", "<F4>", "<C-c>", "<C-v>", "<C-S-c>", "<C-S-v>",
                              "<Space>", "<lt>"};
// The value forms a settings line may hold for the keys the calculator reads.
const char* const kValues[] = {" 0", " 1", "1", "2", " 3", "-1", "2.5", "3.5", "0.4", "1e1", "abc",
                               "", "False", "Faux", "True", "false", " 15", "16", "99", "-32768",
                               "40000", " 7", "1.5E+1", " -0.5", "=1"};
// Clipboard texts around the edges of what paste accepts.
const char* const kClips[] = {",5", "-,5", "&1F", "&H1F", "'101", "'1012", "'", "1.2.3", "12",
                              "&&ffffffff", "&fffffffff", "1E+400", "-",
                              "'111111111111111111111111111111111", "1,5E3", " 4", "+"};

enum Op {
    kOpKeyDown, kOpKeyPress, kOpTyped, kOpNamed, kOpTick, kOpPaste, kOpSet, kOpPlaces,
    kOpAngle, kOpRow, kOpMove, kOpFn, kOpEnters, kOpCount
};

std::vector<StackItem> Items(const OperandStack& s) {
    std::vector<StackItem> out;
    for (int n = 1; n <= s.StackCount(); ++n) out.push_back(s.ItemRef(n));
    return out;
}

void CheckInvariants(const Calculator& calc) {
    // A message may stand in the entry line while its timer runs; otherwise it shows the entry.
    QUORVA_FUZZ_CHECK(calc.TimerRunning() || calc.EntryCaption() == calc.EntryText(),
                      calc.EntryCaption());
    QUORVA_FUZZ_CHECK(calc.State() != EntryState::Idle || calc.EntryText().empty(), calc.EntryText());
    const OperandStack& stack = calc.Stack();
    const int count = stack.StackCount();
    QUORVA_FUZZ_CHECK(count >= 0 && count <= OperandStack::kMaxItems, std::to_string(count));
    const StackViews& views = calc.Views();
    QUORVA_FUZZ_CHECK(views.stackCaption == StackDisplayText(stack), views.stackCaption);
    QUORVA_FUZZ_CHECK(views.largeRows.size() == static_cast<size_t>(count), std::to_string(count));
    QUORVA_FUZZ_CHECK(views.largeSelected >= -1 && views.largeSelected < count,
                      std::to_string(views.largeSelected));
    for (int q = 1; q <= count; ++q) {
        const StackItem& item = stack.ItemRef(q);
        const std::string& row = views.largeRows[static_cast<size_t>(q - 1)];
        const std::string shown = item.kind == kKindHex ? item.text.substr(1) : item.text;
        QUORVA_FUZZ_CHECK(row.size() == 40 && row.ends_with(shown), row + " / " + item.text);
        if (item.kind == kKindBinary || item.kind == kKindHex)
            QUORVA_FUZZ_CHECK(item.text == (item.kind == kKindHex ? HexText : BinaryText)(item.value),
                              item.text);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    keys::DriverHost host;
    OptionsModel options;
    Calculator calc(host, options, in.Pick(2) ? ',' : '.');
    InstallCommands(calc);
    // The stack just before a typed word's command runs (after the number it ends is pushed).
    std::optional<std::vector<StackItem>> beforeWord;
    calc.SetCommandHooks({[&] {
                              beforeWord = Items(calc.Stack());
                              MatchCommandWord(calc);
                          },
                          [&] { ToggleAngleMode(calc); }, [&] { NextDecimalPlaces(calc); }});
    Skin skin;
    keys::NoWindows windows;
    SettingsContext settings{options, calc, skin, windows};
    // Undo is tried here, on a copy of the stack, so the events keep their meaning.
    keys::DriverHost probeHost;
    Calculator probe(probeHost, options, calc.Separator());

    calc.Redraw();
    CheckInvariants(calc);
    const OperandStack& stack = calc.Stack();
    auto undoState = [&] {
        return std::tuple(stack.UndoAvailable(), stack.UndoCount(), stack.UndoItem());
    };
    while (!in.Empty()) {
        const std::vector<StackItem> before = Items(stack);
        const auto undoBefore = undoState();
        const bool typingNumber = calc.State() != EntryState::Idle &&
                                  calc.State() != EntryState::Command;
        bool pushesFirst = false;  // a function row that pushes the typed number first
        beforeWord.reset();

        const KeyWindow window = static_cast<KeyWindow>(in.Pick(3));
        const int op = in.Pick(kOpCount);
        std::optional<keys::Step> step;
        auto numbered = [&](keys::Action a, int number) {
            step.emplace(a);
            step->number = number;
        };
        switch (op) {
            case kOpKeyDown: {
                step.emplace(keys::Action::KeyDown);
                const uint8_t b = in.Byte();
                step->code = b < 200 ? kKeyCodes[b % std::size(kKeyCodes)] : int16_t{b};
                step->shift = static_cast<int16_t>(in.Pick(5));
                break;
            }
            case kOpKeyPress: {
                const uint8_t b = in.Byte();
                calc.CharacterTyped(b < 200 ? kChars[b % (sizeof kChars - 1)] : b);
                break;
            }
            case kOpTyped:
                step = keys::Typed(static_cast<char32_t>(32 + in.Pick(95)));
                break;
            case kOpNamed:
                step = keys::Named(kNamed[in.Pick(std::size(kNamed))]);
                break;
            case kOpTick:
                calc.EntryTimerFired();
                break;
            case kOpPaste: {
                const uint8_t b = in.Byte();
                host.clipboard = b < 128 ? kClips[b % std::size(kClips)] : in.Text(40);
                step = keys::Named("<C-v>");
                break;
            }
            case kOpSet: {
                const auto& setKeys = keys::SetKeys();
                std::string line(setKeys[in.Pick(setKeys.size())]);
                const uint8_t b = in.Byte();
                line += '=';
                line += b < 200 ? kValues[b % std::size(kValues)] : in.Text(12);
                QUORVA_FUZZ_CHECK(keys::ApplySet(line, settings), line);
                break;
            }
            case kOpPlaces:
                numbered(keys::Action::Places, in.Pick(18) - 1);  // no row, and past the rows
                break;
            case kOpAngle:
                numbered(keys::Action::Angle, in.Pick(2));
                break;
            case kOpRow:
                numbered(keys::Action::Row, in.Pick(calc.Views().largeRows.size() + 1) - 1);
                break;
            case kOpMove:
                step.emplace(keys::Action::Move);
                break;
            case kOpFn:
                numbered(keys::Action::Fn, in.Pick(kFunctionRows + 2));  // 0 and 40 too
                pushesFirst = typingNumber && step->number >= 1 && step->number <= 34;
                break;
            case kOpEnters:
                for (int i = 0, n = 1 + in.Pick(16); i < n; ++i)
                    keys::Run(keys::Named("<Enter>"), calc);
                break;
        }
        if (step) {
            step->window = window;
            try {
                keys::Run(*step, calc);
            } catch (const keys::Failure& f) {
                QUORVA_FUZZ_CHECK(false, f.message);
            }
        }
        CheckInvariants(calc);

        const bool newRecord = stack.UndoAvailable() && undoState() != undoBefore;
        if (!newRecord || (pushesFirst && !beforeWord)) continue;
        const std::vector<StackItem>& expected = beforeWord ? *beforeWord : before;
        probe.Stack().CopyStateFrom(stack);
        probe.UndoCommand();
        const std::vector<StackItem> undone = Items(probe.Stack());
        QUORVA_FUZZ_CHECK(undone == expected, "undo gave " + StackDisplayText(probe.Stack()));
    }
    return 0;
}
