#pragma once
// A calculator on a fake host without the command layer, for what key scripts cannot reach.

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "Calculator.h"
#include "FakeHost.h"

namespace quorva::test {

class CoreTest : public ::testing::Test {
protected:
    FakeHost host;
    OptionsModel options;
    Calculator calc{host, options};

    // A key-down then a key-press, as a keyboard delivers them; "\r" is Enter, "\x1b" Escape.
    void Type(std::string_view keys) {
        for (char c : keys) {
            calc.KeyDown(c == '\r' ? kKeyEnter : c == '\x1b' ? kKeyEscape : 0, 0);
            calc.CharacterTyped(c);
        }
    }
    void PasteText(const std::string& clip) {
        host.clipboard = clip;
        calc.KeyDown(kKeyV, kShiftCtrl);
    }
    void Push(std::initializer_list<double> values) {
        for (double v : values) calc.Stack().Push(kKindDecimal, v);
    }
    std::vector<double> Values() const {
        std::vector<double> v;
        for (int n = 1; n <= calc.Stack().StackCount(); ++n)
            v.push_back(calc.Stack().ItemRef(n).value);
        return v;
    }
};

using V = std::vector<double>;

}  // namespace quorva::test
