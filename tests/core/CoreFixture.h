#pragma once
// A calculator on a fake host, with a small stand-in for the command matcher so that the entry
// line can be tested without the command layer.

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
    std::vector<std::string> ran;  // words the stand-in matcher ran

    CoreTest() {
        // "+" and "ln" are whole words, ";" and "l" their beginnings; anything else is unknown.
        calc.SetCommandHooks({[this] {
            const std::string w = calc.EntryText();
            if (w == "l" || w == ";") return;
            if (w != "+" && w != "ln") return calc.ShowMessage(w + " ...unknown function");
            ran.push_back(w);
            calc.ShowMessage(w + " ran");
        }, {}, {}});
    }

    // Each character as a keyboard delivers it, a key-down then a key-press; "\r" is Enter and
    // "\x1b" Escape.
    void Type(std::string_view keys) {
        for (char c : keys) {
            calc.KeyDown(c == '\r' ? kKeyEnter : c == '\x1b' ? kKeyEscape : 0, 0);
            calc.CharacterTyped(c);
        }
    }
    void Key(int16_t code, int16_t shift = 0) { calc.KeyDown(code, shift); }
    // The entry line shows its text; a decimal entry's flags agree with that text.
    void ExpectEntry(const std::string& text, EntryState state) {
        EXPECT_EQ(calc.EntryText(), text);
        EXPECT_EQ(calc.EntryCaption(), text);
        EXPECT_EQ(calc.State(), state);
        if (state != EntryState::Decimal) return;
        EXPECT_EQ(calc.Entry().Positive(), text[0] != '-');
        EXPECT_EQ(calc.Entry().HasPoint(), text.find('.') != std::string::npos);
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
    std::vector<std::string> Texts() const {
        std::vector<std::string> t;
        for (int n = 1; n <= calc.Stack().StackCount(); ++n)
            t.push_back(calc.Stack().ItemRef(n).text);
        return t;
    }
};

using V = std::vector<double>;
using T = std::vector<std::string>;

}  // namespace quorva::test
