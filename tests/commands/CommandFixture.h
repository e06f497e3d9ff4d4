#pragma once
// A calculator with the commands plugged in, driven through its key handlers as the windows
// drive it, and a table-driven case runner shared by the command families.

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "Calculator.h"
#include "Commands.h"
#include "Host.h"
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
    CommandTest() { InstallCommands(calc); }

    // Items as if typed and entered: no undo record is left behind.
    void Load(const std::vector<Item>& items) {
        for (const Item& i : items) calc.Stack().Push(i.kind, i.value);
        calc.Stack().WithdrawUndo();
    }
    std::string Type(std::string_view keys) {
        for (char c : keys) calc.Form_KeyPress(c);
        return calc.EntryCaption();
    }
    void ExpectStack(const std::vector<Item>& want, double tol = 0.0) {
        const OperandStack& s = calc.Stack();
        ASSERT_EQ(s.StackCount(), static_cast<int>(want.size()));
        for (int n = 1; n <= s.StackCount(); ++n) {
            const Item& w = want[n - 1];
            const StackItem got = s.GetItem(n);
            EXPECT_EQ(got.kind, w.kind) << "item " << n;
            if (tol == 0.0) {
                EXPECT_EQ(got.value, w.value) << "item " << n;
            } else {
                EXPECT_NEAR(got.value, w.value, tol) << "item " << n;
            }
            if (!w.text.empty()) {
                EXPECT_EQ(got.text, w.text) << "item " << n;
            }
        }
    }

    FakeHost host;
    OptionsModel options;
    Calculator calc{host, options};
};

// One row of a command family: the stack before, the keys typed, the entry line then, the stack
// then and whether an undo record stands, and the stack after a following "u".
struct Case {
    const char* name;
    std::vector<Item> start;
    const char* keys;
    const char* entry;
    std::vector<Item> after;
    bool undo;
    std::vector<Item> afterUndo;
    bool degrees = false;
    double tol = 0.0;
};

class FamilyTest : public CommandTest, public ::testing::WithParamInterface<Case> {};

inline std::string CaseName(const ::testing::TestParamInfo<Case>& info) { return info.param.name; }

}  // namespace quorva::test
