#include <QAccessible>
#include <QClipboard>
#include <QFontInfo>
#include <QGuiApplication>
#include <QListWidget>
#include <QScreen>
#include <QWindow>

#include "Keys.h"
#include "ProgramFixture.h"
#include "frmCommands.h"

namespace quorva {
namespace {

const Qt::KeyboardModifiers kNone = Qt::NoModifier, kPad = Qt::KeypadModifier;
const Qt::KeyboardModifiers kShift = Qt::ShiftModifier, kCtrl = Qt::ControlModifier;

// The Qt codes of "&", "(" and "." are those of Up, Down and Delete: passed through as their own
// codes they would move the selection or drop the top item. The window tests type the F keys.
TEST(KeysTest, AKeyEventGivesItsCodeShiftStateAndTypedCharacters) {
    const struct {
        int key;
        Qt::KeyboardModifiers mods;
        QString text;
        int code, shifts;
        std::vector<int16_t> chars;
    } cases[] = {
        {Qt::Key_Backspace, kNone, "", 8, 0, {8}}, {Qt::Key_Enter, kPad, "", 13, 0, {13}},
        {Qt::Key_C, kCtrl, QString(QChar(3)), 67, 2, {3}}, {Qt::Key_C, kCtrl, "c", 67, 2, {3}},
        {Qt::Key_V, kCtrl | kShift, "V", 86, 3, {22}},
        {Qt::Key_E, kCtrl | Qt::AltModifier, "e", 69, 6, {'e'}},  // AltGr
        {Qt::Key_Delete, kNone, QString(QChar(127)), 46, 0, {}},
        {Qt::Key_Delete, kPad, "", 46, 0, {}},
        {Qt::Key_Up, kNone, "", 38, 0, {}}, {Qt::Key_Period, kPad, ".", 110, 0, {'.'}},
        {Qt::Key_Period, kNone, ".", 190, 0, {'.'}}, {Qt::Key_Ampersand, kShift, "&", 55, 1, {'&'}},
        {Qt::Key_ParenLeft, kShift, "(", 57, 1, {'('}},
        {Qt::Key_Eacute, kNone, QString(QChar(0xE9)), 0, 0, {0xE9}},
        {Qt::Key_unknown, kNone, QString(QChar(0x20AC)), 0, 0, {}},  // beyond Latin-1
        {Qt::Key_unknown, kNone, "ab", 0, 0, {'a', 'b'}}};  // composed
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "Qt key 0x" << std::hex << c.key << " with " << c.mods);
        EXPECT_EQ(VirtualKeyCode(c.key, c.mods), c.code);
        EXPECT_EQ(ShiftMask(c.mods), c.shifts);
        EXPECT_EQ(KeyPressChars(c.key, c.mods, c.text), c.chars);
    }
}

class MainWindowTest : public ProgramFixture {
protected:
    static void ClickRow(QListWidget* list, int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(list->item(row)).center());
    }
    bool OnTop() { return W().windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint); }
};

// Its size and outline: HiDpi and FunctionsWindowTest's skins. What the lines read, their events
// and the zones' presses are e2e.a11y's: this platform delivers no accessibility events.
TEST_F(MainWindowTest, StartsBorderlessAndTopmostWithZonesWhereThePictureAndReadersFindThem) {
    Start();
    frmQuorva& w = W();
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(w.windowType(), Qt::Window);  // listed by window managers, unlike a tool window
    EXPECT_TRUE(OnTop());  // without a settings file
    const struct { QPoint at; QLabel* zone; } zones[] = {{{10, 120}, w.imgSkin}, {{30, 60}, w.lblStackDisplay},
        {{30, 158}, w.lblEntryDisplay}, {{246, 20}, w.lblQuit}, {{215, 44}, w.lblDeg}, {{215, 66}, w.lblDecimal},
        {{220, 14}, w.lblOnTop}, {{220, 90}, w.lblLargeStack}, {{220, 117}, w.lblFunctions}};
    for (const auto& z : zones) EXPECT_EQ(w.childAt(z.at), z.zone) << z.zone->objectName().toStdString();
    // Where Courier New is missing its metric twin stands in: still one width for every digit.
    EXPECT_TRUE(QFontInfo(w.lblStackDisplay->font()).fixedPitch());
    EXPECT_FALSE(w.EntryTimer().isActive());  // nothing ticks while the calculator waits

    Key(Qt::Key_F3);  // a zone keeps its name while its text changes
    EXPECT_EQ(w.lblDeg->text(), "deg");
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&w);
    ASSERT_NE(window, nullptr);
    QStringList children;
    for (int i = 0; i < window->childCount(); ++i) {
        QAccessibleInterface* c = window->child(i);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->parent(), window);
        EXPECT_EQ(window->indexOfChild(c), i);
        // Readers that follow the pointer find each line.
        EXPECT_EQ(window->childAt(c->rect().center().x(), c->rect().center().y()), c) << i;
        const bool button = c->role() == QAccessible::Button;
        children << c->text(QAccessible::Name) + (button ? " (button)" : "");
    }
    EXPECT_EQ(children.join(", "),
              "entry line, stack level 1, stack level 2, stack level 3, stack level 4, "
              "stack level 5, Always on top (button), Hide (button), Angle mode (button), "
              "Decimal places (button), Large stack (button), Functions and Settings (button)");
}

TEST_F(MainWindowTest, KeysPastesAndMessagesReachTheDisplaysAndReleasesNeverAct) {
    Start();
    Type("&ff");  // stored with "&&" for the label, which shows one "&"
    EXPECT_EQ(W().lblEntryDisplay->text(), "&ff");
    Key(Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(W().lblStackDisplay->text().split('\n', Qt::SkipEmptyParts).last().trimmed(), "&FF");
    QTest::keyRelease(&W(), Qt::Key_Return);
    EXPECT_EQ(Count(), 1);
    Key(Qt::Key_F4);
    EXPECT_EQ(W().lblDecimal->text(), ".0");

    // A huge paste shows the end of the line (the key cases and e2e.paste: what it pushes).
    QGuiApplication::clipboard()->setText(QString(1 << 20, '0') + "425");
    Key(Qt::Key_V, Qt::ControlModifier);
    Type("1");
    const QString shown = W().lblEntryDisplay->text();
    EXPECT_LE(shown.size(), 256);
    EXPECT_TRUE(shown.endsWith("4251")) << shown.right(10).toStdString();

    // A message stays until the next key or its timer.
    Type("\r1+");
    EXPECT_NE(W().lblEntryDisplay->text(), "");  // the help text of "+"
    EXPECT_TRUE(W().EntryTimer().isActive());
    Key(Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_EQ(W().lblEntryDisplay->text(), "");
    EXPECT_FALSE(W().EntryTimer().isActive());
    Type("0/");
    ASSERT_EQ(W().lblEntryDisplay->text(), "DIVISION BY ZERO");
    const_cast<QTimer&>(W().EntryTimer()).start(1);  // the real timer, sooner
    EXPECT_TRUE(QTest::qWaitFor([&] { return W().lblEntryDisplay->text().isEmpty(); }, 2000));
}

// e2e.drag moves the window by the picture and the stack display with the left and right buttons.
TEST_F(MainWindowTest, AnyButtonDragsByThePictureAndALeftClickOrDoubleClickActsOnceOnAZone) {
    Start();
    frmQuorva& w = W();
    const auto drags = [&](QWidget* target, QPoint at, Qt::MouseButton b) {
        const int before = w.DragsStarted();
        QTest::mousePress(target, b, Qt::NoModifier, at);
        QTest::mouseRelease(target, b, Qt::NoModifier, at);
        return w.DragsStarted() - before;
    };
    EXPECT_EQ(drags(w.imgSkin, QPoint(10, 120), Qt::MiddleButton), 1);
    EXPECT_EQ(drags(w.lblEntryDisplay, QPoint(5, 5), Qt::LeftButton), 0);
    for (QLabel* zone : {w.lblDecimal, w.lblDeg, w.lblOnTop, w.lblQuit, w.lblFunctions, w.lblLargeStack})
        EXPECT_EQ(drags(zone, QPoint(3, 3), Qt::RightButton), 0) << zone->objectName().toStdString();
    EXPECT_TRUE(OnTop() && w.isVisible() && !P().LargeStackVisible());  // nor a click

    // A click on the on-top mark keeps the window's place: e2e.on_top.
    QTest::mouseClick(w.lblOnTop, Qt::LeftButton);  // a double click as the window system sends it
    QTest::mouseDClick(w.lblOnTop, Qt::LeftButton);
    QTest::mouseRelease(w.lblOnTop, Qt::LeftButton);
    EXPECT_FALSE(OnTop());
    Click(w.lblLargeStack);
    ASSERT_TRUE(P().LargeStackVisible());
    Click(w.lblLargeStack);
    EXPECT_FALSE(P().LargeStackVisible());
    Click(w.lblFunctions);  // shown, so not already shown by the right button
    EXPECT_TRUE(P().FunctionsWindow() != nullptr && P().FunctionsWindow()->isVisible());
}

TEST_F(MainWindowTest, PickersOpenUnderTheirLabelsChooseAndCloseByLabelOrTimer) {
    Start();
    frmQuorva& w = W();
    Click(w.lblDeg);
    PickerWindow* angle = w.AnglePicker();
    ASSERT_NE(angle, nullptr);
    EXPECT_TRUE(angle->isVisible());
    EXPECT_TRUE(angle->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    const int below = qRound(210 / P().TwipsY());
    EXPECT_EQ(angle->pos(), w.mapToGlobal(QPoint(w.lblDeg->x(), w.lblDeg->y() + below)));
    Click(w.lblDeg);  // its label closes it again, timer and all
    EXPECT_FALSE(angle->isVisible() || angle->timer->isActive());
    Click(w.lblDeg);
    ClickRow(angle->list, 1);
    EXPECT_FALSE(Calc().AngleRadians());
    EXPECT_FALSE(angle->isVisible());
    EXPECT_TRUE(OnTop());  // back on top after a choice
    Click(w.lblDeg);  // reopened, it shows the mode in force
    EXPECT_EQ(angle->list->currentRow(), 1);

    Click(w.lblDecimal);
    PickerWindow* decimals = w.DecimalsPicker();
    ASSERT_NE(decimals, nullptr);
    ClickRow(decimals->list, 13);
    EXPECT_EQ(Calc().DecimalPlaces(), 2);
    Click(w.lblDecimal);
    decimals->timer->start(1);  // the real timer, sooner
    EXPECT_TRUE(QTest::qWaitFor([&] { return !decimals->isVisible(); }, 2000));
}

TEST_F(MainWindowTest, SettingsPlaceTheWindowOnAScreenAndClosingSavesWhereItWasLeft) {
    Start("WindowPositionX= 100\r\nWindowPositionY= -9000\r\nAlwaysOnTop= 0\r\nTransparency= 128\r\n");
    frmQuorva& w = W();
    EXPECT_EQ(w.x(), 100);
    // pulled back from above the screen
    EXPECT_TRUE(QGuiApplication::primaryScreen()->availableGeometry().contains(w.frameGeometry()));
    EXPECT_FALSE(OnTop());
    EXPECT_NEAR(w.windowOpacity(), 128 / 255.0, 0.01);
    w.move(123, 45);
    w.close();
    EXPECT_EQ(ended_, 1);
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(IniHas("WindowPositionX= 123\r\nWindowPositionY= 45\r\n")) << IniText();
}

}  // namespace
}  // namespace quorva
