#pragma once
// The host that tests and benchmarks give the calculator: it keeps the clipboard, the two
// windows' visibility and the timer as plain fields and records which views changed.

#include <string>

#include "Host.h"

namespace quorva::test {

class FakeHost : public Host {
public:
    std::string clipboard;
    bool functionsShown = false;
    bool largeShown = false;
    bool timerRunning = false;
    unsigned views = 0;  // every View bit reported so far

    std::string ClipboardText() override { return clipboard; }
    void SetClipboardText(const std::string& text) override { clipboard = text; }
    bool LargeStackVisible() const override { return largeShown; }
    void ToggleFunctionsWindow() override { functionsShown = !functionsShown; }
    void ToggleLargeStackWindow() override { largeShown = !largeShown; }
    void EntryTimerChanged(bool running) override { timerRunning = running; }
    void ViewsChanged(unsigned v) override { views |= v; }
};

}  // namespace quorva::test
