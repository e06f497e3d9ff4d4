#pragma once
// What the calculator asks of the program around it: the windows in the real program, the
// key-replay driver in tests. Every call comes on the one user-interface thread.

#include <string>

namespace quorva {

// Bits of Host::ViewsChanged.
enum View : unsigned {
    kViewEntry = 1u << 0,        // caption of lblEntryDisplay
    kViewStack = 1u << 1,        // caption of lblStackDisplay
    kViewLargeRows = 1u << 2,    // rows of lstLargeStack
    kViewLargeSelection = 1u << 3,
    kViewFunctionRow = 1u << 4,  // selected row of lstFunctions
    kViewAngle = 1u << 5,        // lblDeg caption and tooltip
    kViewPlaces = 1u << 6,       // lblDecimal caption and tooltip
};

class Host {
public:
    virtual ~Host() = default;

    // The clipboard's text (empty when it holds none); Ctrl+C replaces it.
    virtual std::string ClipboardText() = 0;
    virtual void SetClipboardText(const std::string& text) = 0;

    // Whether frmLargeStack is visible now (Enter, Ctrl+C and the arrows depend on it).
    virtual bool LargeStackVisible() const = 0;
    // Show or hide the two windows, as their zones on the main window do.
    virtual void ToggleFunctionsWindow() = 0;
    virtual void ToggleLargeStackWindow() = 0;

    // tmrEntry: start (3000 ms, restarted if running) or stop. The calculator never times
    // anything itself: the host calls Calculator::EntryTimerFired when it fires.
    virtual void EntryTimerChanged(bool running) = 0;

    // Some display texts changed (View bits); the host repaints them when it likes.
    virtual void ViewsChanged(unsigned views) = 0;
};

}  // namespace quorva
