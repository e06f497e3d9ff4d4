#include "Keys.h"

#include <QKeyEvent>
#include <QString>

namespace quorva {

namespace {

// Keys whose code does not follow from a range, with the codes of a US keyboard for the
// punctuation keys (shifted symbols give the code of the key that types them).
struct KeyPair {
    int qt;
    int16_t vk;
};
constexpr KeyPair kKeys[] = {
    {Qt::Key_Backspace, 8},   {Qt::Key_Tab, 9},         {Qt::Key_Backtab, 9},
    {Qt::Key_Clear, 12},      {Qt::Key_Return, 13},     {Qt::Key_Enter, 13},
    {Qt::Key_Shift, 16},      {Qt::Key_Control, 17},    {Qt::Key_Alt, 18},
    {Qt::Key_AltGr, 18},      {Qt::Key_Pause, 19},      {Qt::Key_CapsLock, 20},
    {Qt::Key_Escape, 27},     {Qt::Key_Space, 32},      {Qt::Key_PageUp, 33},
    {Qt::Key_PageDown, 34},   {Qt::Key_End, 35},        {Qt::Key_Home, 36},
    {Qt::Key_Left, 37},       {Qt::Key_Up, 38},         {Qt::Key_Right, 39},
    {Qt::Key_Down, 40},       {Qt::Key_Print, 44},      {Qt::Key_Insert, 45},
    {Qt::Key_Delete, 46},     {Qt::Key_Help, 47},       {Qt::Key_Meta, 91},
    {Qt::Key_Menu, 93},       {Qt::Key_NumLock, 144},   {Qt::Key_ScrollLock, 145},
    {Qt::Key_Exclam, 49},     {Qt::Key_At, 50},         {Qt::Key_NumberSign, 51},
    {Qt::Key_Dollar, 52},     {Qt::Key_Percent, 53},    {Qt::Key_AsciiCircum, 54},
    {Qt::Key_Ampersand, 55},  {Qt::Key_Asterisk, 56},   {Qt::Key_ParenLeft, 57},
    {Qt::Key_ParenRight, 48}, {Qt::Key_Semicolon, 186}, {Qt::Key_Colon, 186},
    {Qt::Key_Equal, 187},     {Qt::Key_Plus, 187},      {Qt::Key_Comma, 188},
    {Qt::Key_Less, 188},      {Qt::Key_Minus, 189},     {Qt::Key_Underscore, 189},
    {Qt::Key_Period, 190},    {Qt::Key_Greater, 190},   {Qt::Key_Slash, 191},
    {Qt::Key_Question, 191},  {Qt::Key_QuoteLeft, 192}, {Qt::Key_AsciiTilde, 192},
    {Qt::Key_BracketLeft, 219}, {Qt::Key_BraceLeft, 219}, {Qt::Key_Backslash, 220},
    {Qt::Key_Bar, 220},       {Qt::Key_BracketRight, 221}, {Qt::Key_BraceRight, 221},
    {Qt::Key_Apostrophe, 222}, {Qt::Key_QuoteDbl, 222},
};

// The keypad's own codes for its digits and operators.
int16_t KeypadCode(int qtKey) {
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return static_cast<int16_t>(96 + qtKey - Qt::Key_0);
    switch (qtKey) {
    case Qt::Key_Asterisk: return 106;
    case Qt::Key_Plus: return 107;
    case Qt::Key_Minus: return 109;
    case Qt::Key_Period:
    case Qt::Key_Comma: return 110;
    case Qt::Key_Slash: return 111;
    default: return 0;
    }
}

}  // namespace

int16_t VirtualKeyCode(int qtKey, Qt::KeyboardModifiers modifiers) {
    if (modifiers.testFlag(Qt::KeypadModifier)) {
        if (const int16_t code = KeypadCode(qtKey)) return code;
    }
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return static_cast<int16_t>(qtKey);  // 48..57
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return static_cast<int16_t>(qtKey);  // 65..90
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) {
        return static_cast<int16_t>(112 + qtKey - Qt::Key_F1);
    }
    for (const KeyPair& k : kKeys) {
        if (k.qt == qtKey) return k.vk;
    }
    return 0;
}

int16_t ShiftMask(Qt::KeyboardModifiers modifiers) {
    int16_t mask = 0;
    if (modifiers.testFlag(Qt::ShiftModifier)) mask |= 1;
    if (modifiers.testFlag(Qt::ControlModifier)) mask |= 2;
    if (modifiers.testFlag(Qt::AltModifier)) mask |= 4;
    return mask;
}

std::vector<int16_t> KeyPressChars(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text) {
    std::vector<int16_t> chars;
    if (text.isEmpty()) {
        // Some input methods leave the text of the control keys empty.
        switch (qtKey) {
        case Qt::Key_Backspace: chars.push_back(8); break;
        case Qt::Key_Tab: chars.push_back(9); break;
        case Qt::Key_Return:
        case Qt::Key_Enter: chars.push_back(13); break;
        case Qt::Key_Escape: chars.push_back(27); break;
        default: break;
        }
        return chars;
    }
    // Ctrl with a letter types its control character (Ctrl+C is 3), whether or not the
    // platform made the text so.
    const bool ctrlOnly = modifiers.testFlag(Qt::ControlModifier) && !modifiers.testFlag(Qt::AltModifier);
    if (ctrlOnly && text.size() == 1 && text[0].isLetter() && text[0].unicode() < 128) {
        chars.push_back(static_cast<int16_t>(text[0].unicode() & 0x1F));
        return chars;
    }
    for (const QChar c : text) {
        const int code = c.unicode();
        // X11 types DEL for the Delete key; that key types nothing on the keyboards the
        // calculator was made for. Characters beyond Latin-1 have no single-byte code.
        if ((code == 127 && qtKey == Qt::Key_Delete) || code > 255) continue;
        chars.push_back(static_cast<int16_t>(code));
    }
    return chars;
}

void FeedKey(Calculator& calc, const QKeyEvent& event, KeyWindow from) {
    calc.KeyDown(VirtualKeyCode(event.key(), event.modifiers()), ShiftMask(event.modifiers()),
                      from);
    for (const int16_t c : KeyPressChars(event.key(), event.modifiers(), event.text())) calc.CharacterTyped(c);
}

bool IsMoveKey(int qtKey, bool withControls) {
    switch (qtKey) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Space:
        return withControls;
    default:
        return false;
    }
}

}  // namespace quorva
