#pragma once
// A host without windows: the clipboard, the two windows' visibility and the entry timer as
// plain fields. quorva-keys drives the calculator through it, and so do the tests.

#include <string>

#include "Host.h"

namespace quorva {

class PlainHost : public Host {
public:
    std::string clipboard;
    bool functionsShown = false;
    bool largeShown = false;
    bool timerRunning = false;

    std::string ClipboardText() override { return clipboard; }
    void SetClipboardText(const std::string& text) override { clipboard = text; }
    bool LargeStackVisible() const override { return largeShown; }
    void ToggleFunctionsWindow() override { functionsShown = !functionsShown; }
    void ToggleLargeStackWindow() override { largeShown = !largeShown; }
    void EntryTimerChanged(bool running) override { timerRunning = running; }
    void ViewsChanged(unsigned) override {}
};

}  // namespace quorva
