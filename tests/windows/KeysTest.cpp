#include <QString>

#include <gtest/gtest.h>

#include <ostream>

#include "Keys.h"

namespace quorva {
namespace {

struct CodeCase {
    int key;
    Qt::KeyboardModifiers mods;
    int16_t code;
};

void PrintTo(const CodeCase& c, std::ostream* os) {
    *os << "key 0x" << std::hex << c.key << " mods 0x" << c.mods.toInt() << std::dec << " -> " << c.code;
}

class VirtualKeyCodeTest : public ::testing::TestWithParam<CodeCase> {};

TEST_P(VirtualKeyCodeTest, MapsTheQtKey) {
    const CodeCase& c = GetParam();
    EXPECT_EQ(VirtualKeyCode(c.key, c.mods), c.code) << "Qt key 0x" << std::hex << c.key;
}

const Qt::KeyboardModifiers kNone = Qt::NoModifier;
const Qt::KeyboardModifiers kPad = Qt::KeypadModifier;

INSTANTIATE_TEST_SUITE_P(
    Table, VirtualKeyCodeTest,
    ::testing::Values(
        CodeCase{Qt::Key_0, kNone, 48}, CodeCase{Qt::Key_9, kNone, 57},
        CodeCase{Qt::Key_A, kNone, 65}, CodeCase{Qt::Key_C, Qt::ControlModifier, 67},
        CodeCase{Qt::Key_V, Qt::ControlModifier, 86}, CodeCase{Qt::Key_Z, kNone, 90},
        CodeCase{Qt::Key_F1, kNone, 112}, CodeCase{Qt::Key_F2, kNone, 113},
        CodeCase{Qt::Key_F3, kNone, 114}, CodeCase{Qt::Key_F4, kNone, 115},
        CodeCase{Qt::Key_F12, kNone, 123}, CodeCase{Qt::Key_Return, kNone, 13},
        CodeCase{Qt::Key_Enter, kPad, 13}, CodeCase{Qt::Key_Escape, kNone, 27},
        CodeCase{Qt::Key_Backspace, kNone, 8}, CodeCase{Qt::Key_Up, kNone, 38},
        CodeCase{Qt::Key_Down, kNone, 40}, CodeCase{Qt::Key_Delete, kNone, 46},
        CodeCase{Qt::Key_Shift, Qt::ShiftModifier, 16}, CodeCase{Qt::Key_Control, kNone, 17},
        // The keypad has codes of its own for digits and operators.
        CodeCase{Qt::Key_5, kPad, 101}, CodeCase{Qt::Key_Asterisk, kPad, 106},
        CodeCase{Qt::Key_Plus, kPad, 107}, CodeCase{Qt::Key_Minus, kPad, 109},
        CodeCase{Qt::Key_Period, kPad, 110}, CodeCase{Qt::Key_Slash, kPad, 111},
        CodeCase{Qt::Key_Delete, kPad, 46},
        // Shifted symbols give the code of the key that types them.
        CodeCase{Qt::Key_Plus, Qt::ShiftModifier, 187}, CodeCase{Qt::Key_Ampersand, Qt::ShiftModifier, 55},
        CodeCase{Qt::Key_Percent, Qt::ShiftModifier, 53}, CodeCase{Qt::Key_Apostrophe, kNone, 222},
        CodeCase{Qt::Key_Semicolon, kNone, 186}, CodeCase{Qt::Key_Comma, kNone, 188},
        CodeCase{Qt::Key_Period, kNone, 190}, CodeCase{Qt::Key_Slash, kNone, 191},
        CodeCase{Qt::Key_unknown, kNone, 0}, CodeCase{Qt::Key_Eacute, kNone, 0}));

TEST(ShiftMaskTest, ShiftCtrlAltBits) {
    EXPECT_EQ(ShiftMask(Qt::NoModifier), 0);
    EXPECT_EQ(ShiftMask(Qt::ShiftModifier), 1);
    EXPECT_EQ(ShiftMask(Qt::ControlModifier), 2);
    EXPECT_EQ(ShiftMask(Qt::AltModifier), 4);
    EXPECT_EQ(ShiftMask(Qt::ControlModifier | Qt::ShiftModifier), 3);
    // The keypad is no shift state.
    EXPECT_EQ(ShiftMask(Qt::KeypadModifier | Qt::AltModifier), 4);
}

struct CharCase {
    const char* what;
    int key;
    Qt::KeyboardModifiers mods;
    QString text;
    std::vector<int16_t> chars;
};

void PrintTo(const CharCase& c, std::ostream* os) { *os << c.what; }

class KeyPressCharsTest : public ::testing::TestWithParam<CharCase> {};

TEST_P(KeyPressCharsTest, TypesWhatTheKeyboardTypes) {
    const CharCase& c = GetParam();
    EXPECT_EQ(KeyPressChars(c.key, c.mods, c.text), c.chars) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Table, KeyPressCharsTest,
    ::testing::Values(
        CharCase{"digit", Qt::Key_1, kNone, "1", {'1'}},
        CharCase{"ampersand", Qt::Key_Ampersand, Qt::ShiftModifier, "&", {'&'}},
        CharCase{"backspace text", Qt::Key_Backspace, kNone, "\b", {8}},
        CharCase{"backspace without text", Qt::Key_Backspace, kNone, "", {8}},
        CharCase{"enter without text", Qt::Key_Enter, kPad, "", {13}},
        CharCase{"escape without text", Qt::Key_Escape, kNone, "", {27}},
        CharCase{"ctrl+c as X11 types it", Qt::Key_C, Qt::ControlModifier, QString(QChar(3)), {3}},
        CharCase{"ctrl+c with the plain letter", Qt::Key_C, Qt::ControlModifier, "c", {3}},
        CharCase{"ctrl+shift+v", Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier, "V", {22}},
        CharCase{"altgr letter stays", Qt::Key_E, Qt::ControlModifier | Qt::AltModifier, "e", {'e'}},
        CharCase{"delete types nothing", Qt::Key_Delete, kNone, QString(QChar(127)), {}},
        CharCase{"arrow types nothing", Qt::Key_Up, kNone, "", {}},
        CharCase{"latin-1 letter", Qt::Key_Eacute, kNone, QString(QChar(0xE9)), {0xE9}},
        CharCase{"beyond latin-1", Qt::Key_unknown, kNone, QString(QChar(0x20AC)), {}},
        CharCase{"composed text", Qt::Key_unknown, kNone, "ab", {'a', 'b'}}));

}  // namespace
}  // namespace quorva
