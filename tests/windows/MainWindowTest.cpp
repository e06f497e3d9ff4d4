#include <QAccessible>
#include <QClipboard>
#include <QCoreApplication>
#include <QFontInfo>
#include <QGuiApplication>
#include <QListWidget>
#include <QWindow>

#include "Keys.h"
#include "ProgramFixture.h"
#include "Screens.h"
#include "frmCommands.h"
#include "frmLargeStack.h"

namespace quorva {
namespace {

const Qt::KeyboardModifiers kNone = Qt::NoModifier, kPad = Qt::KeypadModifier;
const Qt::KeyboardModifiers kShift = Qt::ShiftModifier, kCtrl = Qt::ControlModifier;

// The Qt codes of "&", "(" and "." are those of Up, Down and Delete: a symbol passed through as
// its own code would move the selection or drop the top item.
TEST(KeysTest, VirtualKeyCodes) {
    const struct { int key; Qt::KeyboardModifiers mods; int code; } cases[] = {
        {Qt::Key_0, kNone, 48}, {Qt::Key_Z, kCtrl, 90}, {Qt::Key_F1, kNone, 112}, {Qt::Key_Enter, kPad, 13},
        {Qt::Key_Up, kNone, 38}, {Qt::Key_Delete, kPad, 46}, {Qt::Key_Period, kPad, 110},
        {Qt::Key_Period, kNone, 190}, {Qt::Key_Ampersand, kShift, 55}, {Qt::Key_ParenLeft, kShift, 57},
        {Qt::Key_Eacute, kNone, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(VirtualKeyCode(c.key, c.mods), c.code) << "Qt key 0x" << std::hex << c.key;
    EXPECT_EQ(ShiftMask(kShift | kCtrl), 3);
    EXPECT_EQ(ShiftMask(kPad | Qt::AltModifier), 4);  // the keypad is no shift state
}

TEST(KeysTest, KeyPressCharsAreWhatTheKeyboardTypes) {
    const struct {
        const char* what;
        int key;
        Qt::KeyboardModifiers mods;
        QString text;
        std::vector<int16_t> chars;
    } cases[] = {
        {"digit", Qt::Key_1, kNone, "1", {'1'}}, {"backspace without text", Qt::Key_Backspace, kNone, "", {8}},
        {"enter without text", Qt::Key_Enter, kPad, "", {13}},
        {"ctrl+c as X11 types it", Qt::Key_C, kCtrl, QString(QChar(3)), {3}},
        {"ctrl+c with the plain letter", Qt::Key_C, kCtrl, "c", {3}},
        {"ctrl+shift+v", Qt::Key_V, kCtrl | kShift, "V", {22}},
        {"altgr letter stays", Qt::Key_E, kCtrl | Qt::AltModifier, "e", {'e'}},
        {"delete types nothing", Qt::Key_Delete, kNone, QString(QChar(127)), {}},
        {"arrow types nothing", Qt::Key_Up, kNone, "", {}},
        {"latin-1", Qt::Key_Eacute, kNone, QString(QChar(0xE9)), {0xE9}},
        {"beyond latin-1", Qt::Key_unknown, kNone, QString(QChar(0x20AC)), {}},
        {"composed text", Qt::Key_unknown, kNone, "ab", {'a', 'b'}}};
    for (const auto& c : cases) EXPECT_EQ(KeyPressChars(c.key, c.mods, c.text), c.chars) << c.what;
}

class MainWindowTest : public ProgramFixture {
protected:
    // The first click of a double click, then the second as Qt delivers it.
    static void DoubleClick(QWidget* w) {
        QTest::mouseClick(w, Qt::LeftButton);
        QTest::mouseDClick(w, Qt::LeftButton);
    }
    static void ClickRow(QListWidget* list, int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(list->item(row)).center());
    }
    bool OnTop() { return W().windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint); }
    QString LastStackLine() {
        return W().lblStackDisplay->text().split('\n', Qt::SkipEmptyParts).last().trimmed();
    }
};

// Its size and outline: HiDpi and FunctionsWindowTest's skins.
TEST_F(MainWindowTest, StartsBorderlessAndTopmostWithItsZonesWhereThePictureDrawsThem) {
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
}

TEST_F(MainWindowTest, KeysPastesAndMessagesReachTheDisplaysAndReleasesNeverAct) {
    Start();
    Type("&ff");  // stored with "&&" for the label, which shows one "&"
    EXPECT_EQ(W().lblEntryDisplay->text(), "&ff");
    Key(Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(LastStackLine(), "&FF");
    QTest::keyRelease(&W(), Qt::Key_Return);
    QTest::keyRelease(&W(), Qt::Key_C);
    EXPECT_EQ(Count(), 1);
    Key(Qt::Key_F3);
    Key(Qt::Key_F4);
    EXPECT_EQ(W().lblDeg->text(), "deg");
    EXPECT_EQ(W().lblDecimal->text(), ".0");

    // A huge paste shows the end of the line (the key cases and e2e.bad_input: what it pushes).
    QGuiApplication::clipboard()->setText(QString(1 << 20, '0') + "425");
    Key(Qt::Key_V, Qt::ControlModifier);
    Type("1");
    const QString shown = W().lblEntryDisplay->text();
    EXPECT_LE(shown.size(), 256);
    EXPECT_TRUE(shown.endsWith("4251")) << shown.right(10).toStdString();
    Key(Qt::Key_Return);
    EXPECT_EQ(LastStackLine().toStdString(), Calc().Stack().GetTop().text);

    // A message stays until the next key or its timer.
    Type("1+");
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

TEST_F(MainWindowTest, ZonesActOnceForALeftClickOrDoubleClickAndOnTopKeepsThePlace) {
    Start("AlwaysOnTop= 0\r\n");
    frmQuorva& w = W();
    const QPoint pos = w.pos();
    Click(w.lblOnTop, Qt::RightButton);
    EXPECT_FALSE(OnTop());
    DoubleClick(w.lblOnTop);
    EXPECT_TRUE(OnTop());
    EXPECT_EQ(w.pos(), pos);
    EXPECT_TRUE(w.isVisible());
    Click(w.lblOnTop);
    EXPECT_FALSE(OnTop());

    DoubleClick(w.lblStackDisplay);
    ASSERT_TRUE(P().LargeStackVisible());
    Click(w.lblLargeStack);
    EXPECT_FALSE(P().LargeStackVisible());
    Click(w.lblFunctions);
    ASSERT_NE(P().FunctionsWindow(), nullptr);
    EXPECT_TRUE(P().FunctionsWindow()->isVisible());
}

TEST_F(MainWindowTest, AnyButtonDragsByThePictureAndTheStackButNoZone) {
    Start();
    frmQuorva& w = W();
    const auto drags = [&](QWidget* target, QPoint at, Qt::MouseButton b) {
        const int before = w.DragsStarted();
        QTest::mousePress(target, b, Qt::NoModifier, at);
        QTest::mouseRelease(target, b, Qt::NoModifier, at);
        return w.DragsStarted() - before;
    };
    EXPECT_EQ(drags(w.imgSkin, QPoint(10, 120), Qt::MiddleButton), 1);
    EXPECT_EQ(drags(w.lblStackDisplay, QPoint(5, 5), Qt::RightButton), 1);
    EXPECT_EQ(drags(w.lblEntryDisplay, QPoint(5, 5), Qt::LeftButton), 0);
    for (QLabel* zone : {w.lblDecimal, w.lblDeg, w.lblOnTop, w.lblQuit, w.lblFunctions, w.lblLargeStack})
        EXPECT_EQ(drags(zone, QPoint(3, 3), Qt::RightButton), 0) << zone->objectName().toStdString();
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
    bool seen = false;  // pulled back from above every screen
    for (const QRect& s : platform::AvailableScreenAreas()) seen = seen || s.contains(w.frameGeometry());
    EXPECT_TRUE(seen) << w.x() << "," << w.y();
    EXPECT_FALSE(OnTop());
    EXPECT_NEAR(w.windowOpacity(), 128 / 255.0, 0.01);
    w.move(123, 45);
    w.close();
    EXPECT_EQ(ended_, 1);
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(IniHas("WindowPositionX= 123\r\nWindowPositionY= 45\r\n")) << IniText();
}

// Qt makes these interfaces for a reader; their events and every zone's press are e2e.a11y's,
// since this platform delivers none.
TEST_F(MainWindowTest, TheAccessibleWindowReadsLineByLineAndItsZonesArePressed) {
    Start();
    const auto level = [this](int q) {
        return QString::fromStdString(Calc().Stack().GetItem(Count() - q + 1).text);
    };
    Type("1\r2\r3");
    Key(Qt::Key_F3);  // a zone keeps its name while its text changes
    QAccessibleInterface* w = QAccessible::queryAccessibleInterface(&W());
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->role(), QAccessible::Window);
    EXPECT_EQ(w->text(QAccessible::Name), "Quorva");
    const struct { const char* name; QString text; } children[] = {  // the text of the lines
        {"entry line", "3"}, {"stack level 1", level(1)}, {"stack level 2", level(2)}, {"stack level 3", ""},
        {"stack level 4", ""}, {"stack level 5", ""}, {"Always on top", {}}, {"Hide", {}}, {"Angle mode", {}},
        {"Decimal places", {}}, {"Large stack", {}}, {"Functions and Settings", {}}};
    ASSERT_EQ(w->childCount(), 12);
    for (int i = 0; i < 12; ++i) {
        QAccessibleInterface* c = w->child(i);
        ASSERT_NE(c, nullptr);
        SCOPED_TRACE(children[i].name);
        EXPECT_EQ(c->text(QAccessible::Name), children[i].name);
        EXPECT_EQ(c->parent(), w);
        EXPECT_EQ(w->indexOfChild(c), i);
        // A point of the child is the child: readers that follow the pointer find each line.
        EXPECT_EQ(w->childAt(c->rect().center().x(), c->rect().center().y()), c);
        if (i < 6) {
            EXPECT_EQ(c->role(), QAccessible::StaticText);
            ASSERT_NE(c->textInterface(), nullptr);
            EXPECT_EQ(c->textInterface()->text(0, -1), children[i].text);
        } else {
            EXPECT_EQ(c->role(), QAccessible::Button);
        }
    }
}

}  // namespace
}  // namespace quorva
