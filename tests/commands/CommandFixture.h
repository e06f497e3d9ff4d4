#pragma once
// A calculator with the commands plugged in, driven through its key handlers as the windows
// drive it, and a table-driven case runner shared by the command families.

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "Calculator.h"
#include "Commands.h"
#include "FakeHost.h"

namespace quorva::test {

constexpr int16_t D = kKindDecimal, B = kKindBinary, H = kKindHex;

struct Item {
    int16_t kind;
    double value;
    std::string text = {};  // compared only when given
};

class CommandTest : public ::testing::Test {
protected:
    FakeHost host;
    OptionsModel options;
    Calculator calc{host, options};

    CommandTest() { InstallCommands(calc); }
    // Items as if typed and entered: no undo record is left behind.
    void Load(const std::vector<Item>& items) {
        for (const Item& i : items) calc.Stack().Push(i.kind, i.value);
        calc.Stack().WithdrawUndo();
    }
    std::string Type(std::string_view keys) {
        for (char c : keys) calc.CharacterTyped(c);
        return calc.EntryCaption();
    }
    void ExpectStack(const std::vector<Item>& want, double tol = 0.0) {
        ASSERT_EQ(calc.Stack().StackCount(), static_cast<int>(want.size()));
        for (int n = 1; n <= calc.Stack().StackCount(); ++n) {
            const StackItem& got = calc.Stack().ItemRef(n);
            EXPECT_EQ(got.kind, want[n - 1].kind) << "item " << n;
            EXPECT_NEAR(got.value, want[n - 1].value, tol) << "item " << n;
            if (!want[n - 1].text.empty()) {
                EXPECT_EQ(got.text, want[n - 1].text) << "item " << n;
            }
        }
    }
};

// One row of a command family: the stack before, the keys typed, the error shown ("" when the
// word's help is shown instead), the stack then, and whether an undo record stands. A following
// "u" always gives back the stack before: by undo, or because nothing had changed.
struct Case {
    const char* name;
    std::vector<Item> start;
    const char* keys;
    const char* error;
    std::vector<Item> after;
    bool undo;
    bool degrees = false;
    double tol = 0.0;
};

class FamilyTest : public CommandTest, public ::testing::WithParamInterface<Case> {};

inline std::string CaseName(const ::testing::TestParamInfo<Case>& info) { return info.param.name; }

}  // namespace quorva::test
