#pragma once
// What a keyboard delivers to the calculator for one Qt key event: a key-down with its
// virtual-key code and shift mask, then a key-press per character.

#include <Qt>

#include <cstdint>
#include <vector>

#include "Calculator.h"

class QKeyEvent;
class QString;

namespace quorva {

// The virtual-key code of a Qt key (digits 48-57, letters 65-90, F1 112, Enter 13 for both
// Return and the keypad's Enter, ...); 0 for a key that has none.
int16_t VirtualKeyCode(int qtKey, Qt::KeyboardModifiers modifiers);
// Shift 1, Ctrl 2, Alt 4.
int16_t ShiftMask(Qt::KeyboardModifiers modifiers);
// The key-press characters of a key's text (Backspace 8, Enter 13, Esc 27, Ctrl+C 3); none for
// keys that type nothing on that keyboard (Delete).
std::vector<int16_t> KeyPressChars(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text);

// The keys that move within a list (arrows, pages, Home, End); with withControls also those
// that move between controls and tick a box (Tab, Left, Right, Space).
bool IsMoveKey(int qtKey, bool withControls = false);

// Feed one key event into the calculator as the window `from` received it.
void FeedKey(Calculator& calc, const QKeyEvent& event, KeyWindow from);

}  // namespace quorva
