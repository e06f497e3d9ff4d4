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
    int f3 = 0, f4 = 0;

    CoreTest() {
        // "+" and "ln" are whole words, ";" and "l" their beginnings; anything else is unknown.
        calc.SetCommandHooks({[this] {
                                  const std::string w = calc.EntryText();
                                  if (w == "l" || w == ";") return;
                                  if (w == "+" || w == "ln") {
                                      ran.push_back(w);
                                      calc.ShowMessage(w + " ran");
                                  } else {
                                      calc.ShowMessage(w + " ...unknown function");
                                  }
                              },
                              [this] { ++f3; }, [this] { ++f4; }});
        calc.Redraw();
    }

    // Each character as a keyboard delivers it: a key-down (no code of interest), a key-press.
    void Type(std::string_view keys) {
        for (char c : keys) {
            calc.Form_KeyDown(0, 0);
            calc.Form_KeyPress(c);
        }
    }
    void Key(int16_t code, int16_t shift = 0) { calc.Form_KeyDown(code, shift); }
    void Enter() {
        Key(kKeyEnter);
        calc.Form_KeyPress(13);
    }
    void Backspace() {
        calc.Form_KeyDown(kKeyBack, 0);
        calc.Form_KeyPress(8);
    }
    void PushDecimals(std::initializer_list<double> values) {
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

}  // namespace quorva::test
