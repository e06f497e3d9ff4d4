#pragma once
// What a screen reader finds in the main window: the entry line and the five stack lines as
// texts of their own, the zones as buttons that can be pressed. Qt asks for these interfaces,
// and delivers their events, only while an assistive technology is active; the window calls
// in here only then, so a calculator nobody reads costs nothing more.

namespace quorva {

class frmQuorva;

namespace accessible {

// Once per program, before the first window is read.
void Install();

// Something the main window shows is about to change. Every change of one key is told at
// once, after the key, with the texts as they are then: a reader hears the result, not each
// step that made it.
void WindowChanging(frmQuorva& window);

// The main window took the keyboard focus: the reader is put on the entry line.
void WindowFocused(frmQuorva& window);

}  // namespace accessible
}  // namespace quorva
