#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "Program.h"
#include "frmCommands.h"
#include "frmLargeStack.h"
#include "frmQuorva.h"

namespace quorva {
namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void Start(const std::string& ini = {}) {
        ASSERT_TRUE(dir_.isValid());
        if (!ini.empty()) std::ofstream(IniPath(), std::ios::binary) << ini;
        StartOptions start;
        start.configDir = dir_.path().toStdString();
        program_ = std::make_unique<Program>(start);
        program_->endProgram = [this] { ++ended_; };
        program_->Main();
    }
    std::string IniPath() const { return dir_.filePath("quorva.ini").toStdString(); }
    std::string IniText() const {
        std::ifstream in(IniPath(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    frmQuorva& W() { return program_->MainWindow(); }
    void Type(const QString& keys) { QTest::keyClicks(&W(), keys); }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(&W(), key, mods);
    }
    // The picture is everywhere the labels are not: its own coordinates are the window's.
    QPoint FreeFaceSpot() const { return QPoint(10, 120); }
    void Click(QWidget* w, Qt::MouseButton b = Qt::LeftButton) { QTest::mouseClick(w, b); }
    // The five lines of the stack display (each ends in a line break).
    QStringList StackLines() { return W().lblStackDisplay->text().split('\n', Qt::SkipEmptyParts); }
    // The first click of a double click, then the second as Qt delivers it.
    void DoubleClick(QWidget* w) {
        QTest::mouseClick(w, Qt::LeftButton);
        QTest::mouseDClick(w, Qt::LeftButton);
    }

    QTemporaryDir dir_;
    std::unique_ptr<Program> program_;
    int ended_ = 0;
};

TEST_F(MainWindowTest, StartsShapedAtThePictureSizeWithTheLabelsInPlace) {
    Start();
    frmQuorva& w = W();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.size(), QSize(262, 188));
    EXPECT_EQ(w.windowTitle(), "Quorva");
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(w.windowType(), Qt::Window);  // listed by window managers, unlike a tool window
    EXPECT_FALSE(w.mask().contains(QPoint(0, 0)));
    EXPECT_FALSE(w.mask().contains(QPoint(261, 187)));
    EXPECT_TRUE(w.mask().contains(QPoint(131, 94)));
    // Without a settings file the window starts topmost.
    EXPECT_TRUE(w.IsOnTop());
    EXPECT_EQ(w.lblOnTop->toolTip(), " Currently always on top ");

    const struct {
        QLabel* label;
        QPoint at;
    } places[] = {{w.lblStackDisplay, {17, 50}}, {w.lblEntryDisplay, {17, 152}},
                  {w.lblQuit, {236, 10}},        {w.lblDeg, {211, 40}},
                  {w.lblDecimal, {211, 62}},     {w.lblOnTop, {216, 10}},
                  {w.lblLargeStack, {216, 86}},  {w.lblFunctions, {216, 113}}};
    for (const auto& p : places) EXPECT_EQ(p.label->pos(), p.at) << p.label->objectName().toStdString();
    const double tx = program_->TwipsX();
    EXPECT_EQ(w.lblStackDisplay->width(), qRound(2700 / tx));
    EXPECT_EQ(w.lblOnTop->width(), qRound(300 / tx));
    EXPECT_EQ(w.lblDeg->text(), "rad");
    EXPECT_EQ(w.lblDecimal->text(), ".15");
    EXPECT_EQ(w.lblDecimal->toolTip(), " Decimal places = 15. Click or F4 to change ");
    EXPECT_EQ(w.lblEntryDisplay->toolTip(), " Input line ");
    EXPECT_EQ(w.lblFunctions->text(), "");
    EXPECT_EQ(w.lblStackDisplay->font().family(), "Courier New");
    // Where Courier New is missing its metric twin stands in: still one width for every digit.
    EXPECT_TRUE(QFontInfo(w.lblStackDisplay->font()).fixedPitch())
        << QFontInfo(w.lblStackDisplay->font()).family().toStdString();
    EXPECT_TRUE(w.lblEntryDisplay->font().bold());
    // The built-in skin's text is black.
    EXPECT_EQ(w.lblStackDisplay->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    // Nothing ticks while the calculator waits.
    EXPECT_FALSE(w.EntryTimer().isActive());
    EXPECT_EQ(w.AnglePicker(), nullptr);
    EXPECT_EQ(program_->FunctionsWindow(), nullptr);
    EXPECT_EQ(program_->LargeStackWindow(), nullptr);
}

TEST_F(MainWindowTest, TypedKeysReachTheCoreAndTheDisplays) {
    Start();
    Type("12.5.3");
    EXPECT_EQ(W().lblEntryDisplay->text(), "12.53");
    Key(Qt::Key_Backspace);
    EXPECT_EQ(W().lblEntryDisplay->text(), "12.5");
    Key(Qt::Key_Return);
    EXPECT_EQ(W().lblEntryDisplay->text(), "");
    EXPECT_EQ(program_->Calc().Stack().StackCount(), 1);
    EXPECT_DOUBLE_EQ(program_->Calc().Stack().GetTop().value, 12.5);
    EXPECT_EQ(StackLines().size(), 5);

    // A hexadecimal entry is stored with "&&" and shown with one "&".
    Type("&ff");
    EXPECT_EQ(program_->Calc().EntryText(), "&&ff");
    EXPECT_EQ(W().lblEntryDisplay->text(), "&ff");
    Key(Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(StackLines().last().trimmed(), "&FF");
    EXPECT_EQ(program_->Calc().Stack().StackCount(), 2);

    // Releases never act.
    QTest::keyRelease(&W(), Qt::Key_Return);
    EXPECT_EQ(program_->Calc().Stack().StackCount(), 2);
}

// Screen readers name every zone and display by what it is, whatever text it shows.
TEST_F(MainWindowTest, ZonesAndDisplaysKeepTheirAccessibleNamesWhileTheirTextsChange) {
    Start();
    Type("7");
    Key(Qt::Key_F3);  // the angle mode's caption changes too
    const struct {
        QLabel* label;
        const char* name;
    } cases[] = {
        {W().lblStackDisplay, "Stack"},       {W().lblEntryDisplay, "Input line"},
        {W().lblDecimal, "Decimal places"},   {W().lblDeg, "Angle mode"},
        {W().lblFunctions, "Functions and Settings"}, {W().lblLargeStack, "Large stack"},
        {W().lblOnTop, "Always on top"},      {W().lblQuit, "Hide"},
    };
    for (const auto& c : cases) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(c.label);
        ASSERT_NE(a, nullptr) << c.name;
        EXPECT_EQ(a->text(QAccessible::Name), c.name);
    }
    EXPECT_EQ(W().lblEntryDisplay->text(), "7");
}

TEST_F(MainWindowTest, DivisionAndCtrlCPutTheTopItemOnTheClipboard) {
    Start();
    QGuiApplication::clipboard()->setText("before");
    Type("1");
    Key(Qt::Key_Return);
    Type("3/");
    ASSERT_EQ(program_->Calc().Stack().StackCount(), 1);
    Key(Qt::Key_C, Qt::ControlModifier);
    const QString copied = QGuiApplication::clipboard()->text();
    EXPECT_EQ(copied.toStdString(), program_->Calc().Stack().GetTop().text);
    EXPECT_TRUE(copied.contains("333333")) << copied.toStdString();
    // Ctrl+C is no "c": the stack is still there.
    EXPECT_EQ(program_->Calc().Stack().StackCount(), 1);

    Type("&1f");
    Key(Qt::Key_Return);
    Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "&&1F");
}

TEST_F(MainWindowTest, MessagesRunTheEntryTimerUntilTheNextKey) {
    Start();
    Type("1");
    Key(Qt::Key_Return);
    Type("2+");
    EXPECT_TRUE(W().EntryTimer().isActive());
    EXPECT_TRUE(W().EntryTimer().isSingleShot());
    EXPECT_EQ(W().EntryTimer().interval(), 3000);
    EXPECT_NE(W().lblEntryDisplay->text(), "");  // the help text of "+"
    Key(Qt::Key_Shift, Qt::ShiftModifier);      // any key clears it
    EXPECT_FALSE(W().EntryTimer().isActive());
    EXPECT_EQ(W().lblEntryDisplay->text(), "");
}

TEST_F(MainWindowTest, EntryTimerClearsTheMessageWhenItFires) {
    Start();
    Type("1/0/");  // 1 / 0: a runtime error shown in the entry line
    ASSERT_TRUE(W().EntryTimer().isActive());
    // Let the real timer fire sooner.
    const_cast<QTimer&>(W().EntryTimer()).start(1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !W().EntryTimer().isActive(); }, 2000));
    EXPECT_EQ(W().lblEntryDisplay->text(), "");
}

TEST_F(MainWindowTest, OnTopZoneTogglesStateFlagAndTooltip) {
    Start("AlwaysOnTop= 0\r\n");
    frmQuorva& w = W();
    ASSERT_FALSE(w.IsOnTop());
    EXPECT_EQ(w.lblOnTop->toolTip(), " Currently not always on top ");
    const QPoint pos = w.pos();
    const struct {
        bool onTop;
        const char* tooltip;
    } steps[] = {{true, " Currently always on top "}, {false, " Currently not always on top "}};
    for (const auto& step : steps) {
        Click(w.lblOnTop);
        EXPECT_EQ(w.IsOnTop(), step.onTop);
        EXPECT_EQ(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint), step.onTop);
        EXPECT_EQ(w.lblOnTop->toolTip(), step.tooltip);
        EXPECT_EQ(w.pos(), pos);
        EXPECT_TRUE(w.isVisible());
    }
    // Only the left button clicks.
    Click(w.lblOnTop, Qt::RightButton);
    EXPECT_FALSE(w.IsOnTop());
    // A double click clicks once.
    DoubleClick(w.lblOnTop);
    EXPECT_TRUE(w.IsOnTop());
}

TEST_F(MainWindowTest, DragsStartFromThePictureAndTheStackOnly) {
    Start();
    frmQuorva& w = W();
    ASSERT_EQ(w.childAt(FreeFaceSpot()), w.imgSkin);
    const struct {
        const char* what;
        QWidget* target;
        QPoint at;
        Qt::MouseButton button;
        int drags;
    } cases[] = {
        {"picture, left", w.imgSkin, FreeFaceSpot(), Qt::LeftButton, 1},
        {"picture, right", w.imgSkin, FreeFaceSpot(), Qt::RightButton, 1},
        {"picture, middle", w.imgSkin, FreeFaceSpot(), Qt::MiddleButton, 1},
        {"stack display", w.lblStackDisplay, QPoint(5, 5), Qt::LeftButton, 1},
        {"stack display, right", w.lblStackDisplay, QPoint(5, 5), Qt::RightButton, 1},
        {"window", &w, QPoint(1, 100), Qt::LeftButton, 1},
        {"entry line", w.lblEntryDisplay, QPoint(5, 5), Qt::LeftButton, 0},
        {"decimal zone", w.lblDecimal, QPoint(3, 3), Qt::RightButton, 0},
        {"angle zone", w.lblDeg, QPoint(3, 3), Qt::RightButton, 0},
        {"on-top zone", w.lblOnTop, QPoint(3, 3), Qt::RightButton, 0},
        {"hide zone", w.lblQuit, QPoint(3, 3), Qt::RightButton, 0},
        {"functions zone", w.lblFunctions, QPoint(3, 3), Qt::RightButton, 0},
        {"large stack zone", w.lblLargeStack, QPoint(3, 3), Qt::RightButton, 0},
    };
    for (const auto& c : cases) {
        const int before = w.DragsStarted();
        QTest::mousePress(c.target, c.button, Qt::NoModifier, c.at);
        QTest::mouseRelease(c.target, c.button, Qt::NoModifier, c.at);
        EXPECT_EQ(w.DragsStarted() - before, c.drags) << c.what;
    }
}

TEST_F(MainWindowTest, StackDoubleClickAndZonesToggleTheOtherWindows) {
    Start();
    frmQuorva& w = W();
    DoubleClick(w.lblStackDisplay);
    ASSERT_NE(program_->LargeStackWindow(), nullptr);
    EXPECT_TRUE(program_->LargeStackWindow()->isVisible());
    EXPECT_TRUE(program_->LargeStackShown);
    DoubleClick(w.lblStackDisplay);
    EXPECT_FALSE(program_->LargeStackWindow()->isVisible());

    Click(w.lblLargeStack);
    EXPECT_TRUE(program_->LargeStackWindow()->isVisible());
    Type("7");
    Key(Qt::Key_Return);
    const LargeStackModel& rows = program_->LargeStackWindow()->Rows();
    ASSERT_EQ(rows.rowCount(), 1);
    EXPECT_EQ(rows.data(rows.index(0), Qt::DisplayRole).toString().toStdString(),
              program_->Calc().Views().largeRows.at(0));
    EXPECT_EQ(program_->LargeStackWindow()->SelectedRow(), 0);

    Click(w.lblFunctions);
    ASSERT_NE(program_->FunctionsWindow(), nullptr);
    EXPECT_TRUE(program_->FunctionsWindow()->isVisible());
    EXPECT_TRUE(program_->FunctionsWindowShown);
    // Closing it again saves the settings.
    Key(Qt::Key_F1);
    EXPECT_FALSE(program_->FunctionsWindow()->isVisible());
    EXPECT_NE(IniText().find("WindowPositionX="), std::string::npos);
}

TEST_F(MainWindowTest, AnglePickerOpensUnderItsLabelAndChooses) {
    Start();
    frmQuorva& w = W();
    Click(w.lblDeg);
    PickerWindow* picker = w.AnglePicker();
    ASSERT_NE(picker, nullptr);
    EXPECT_TRUE(picker->isVisible());
    EXPECT_EQ(picker->windowTitle(), "Quorva 3");
    EXPECT_TRUE(picker->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(picker->windowFlags().testFlag(Qt::FramelessWindowHint));
    const int below = qRound(210 / program_->TwipsY());
    EXPECT_EQ(picker->pos(), w.mapToGlobal(QPoint(w.lblDeg->x(), w.lblDeg->y() + below)));
    EXPECT_EQ(picker->list->count(), 2);
    EXPECT_EQ(picker->list->currentRow(), 0);
    EXPECT_TRUE(picker->timer->isActive());
    EXPECT_EQ(picker->timer->interval(), 10000);

    // Its label closes it again.
    Click(w.lblDeg);
    EXPECT_FALSE(picker->isVisible());
    EXPECT_FALSE(picker->timer->isActive());

    Click(w.lblDeg);
    QListWidget* list = picker->list;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualItemRect(list->item(1)).center());
    EXPECT_FALSE(program_->Calc().AngleRadians());
    EXPECT_EQ(w.lblDeg->text(), "deg");
    EXPECT_EQ(w.lblDeg->toolTip(), " Mode = degrees. Click or F3 to change ");
    EXPECT_FALSE(picker->isVisible());
    // The main window is back on top after a choice.
    EXPECT_TRUE(w.IsOnTop());
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    // Reopened, it shows the mode in force.
    Click(w.lblDeg);
    EXPECT_EQ(list->currentRow(), 1);
}

TEST_F(MainWindowTest, DecimalsPickerChoosesAndClosesByItsTimer) {
    Start();
    frmQuorva& w = W();
    Click(w.lblDecimal);
    PickerWindow* picker = w.DecimalsPicker();
    ASSERT_NE(picker, nullptr);
    ASSERT_EQ(picker->list->count(), 16);
    EXPECT_EQ(picker->list->item(13)->text(), "2 decimal places");
    QListWidget* list = picker->list;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualItemRect(list->item(13)).center());
    EXPECT_EQ(program_->Calc().DecimalPlaces(), 2);
    EXPECT_EQ(w.lblDecimal->text(), ".2");
    EXPECT_FALSE(picker->isVisible());

    Click(w.lblDecimal);
    ASSERT_TRUE(picker->isVisible());
    picker->timer->start(1);  // the real timer, sooner
    EXPECT_TRUE(QTest::qWaitFor([&] { return !picker->isVisible(); }, 2000));
    EXPECT_EQ(program_->Calc().DecimalPlaces(), 2);
}

TEST_F(MainWindowTest, F3AndF4ChangeTheZoneCaptions) {
    Start();
    Key(Qt::Key_F3);
    EXPECT_EQ(W().lblDeg->text(), "deg");
    Key(Qt::Key_F4);
    EXPECT_EQ(W().lblDecimal->text(), ".0");
    Key(Qt::Key_F4);
    EXPECT_EQ(W().lblDecimal->text(), ".1");
}

TEST_F(MainWindowTest, ApplySkinTakesThePictureSizeAndOutline) {
    Start();
    frmQuorva& w = W();
    QImage bigger(300, 220, QImage::Format_RGB32);
    bigger.fill(qRgb(0, 255, 0));
    for (int y = 20; y < 200; ++y) {
        for (int x = 30; x < 280; ++x) bigger.setPixel(x, y, qRgb(40, 40, 40));
    }
    w.SetSkinPicture(bigger);
    program_->ApplySkin();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.size(), QSize(300, 220));
    EXPECT_EQ(w.imgSkin->size(), QSize(300, 220));
    EXPECT_TRUE(w.mask().xored(QRegion(30, 20, 250, 180)).isEmpty());

    QImage flat(200, 100, QImage::Format_RGB32);
    flat.fill(qRgb(1, 2, 3));
    w.SetSkinPicture(flat);
    program_->ApplySkin();
    EXPECT_EQ(w.size(), QSize(200, 100));
    EXPECT_TRUE(w.mask().isEmpty());  // the whole rectangle shows
}

TEST_F(MainWindowTest, SettingsPlaceTheWindowAndSetItsOptions) {
    Start("WindowPositionX= 100\r\nWindowPositionY= 80\r\nAlwaysOnTop= 0\r\nTransparency= 128\r\n"
          "Radians=False\r\nDecimals= 3\r\n");
    frmQuorva& w = W();
    EXPECT_EQ(w.pos(), QPoint(100, 80));
    EXPECT_FALSE(w.IsOnTop());
    EXPECT_FALSE(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_NEAR(w.windowOpacity(), 128 / 255.0, 0.01);
    EXPECT_EQ(w.lblDeg->text(), "deg");
    EXPECT_EQ(w.lblDecimal->text(), ".3");
}

TEST_F(MainWindowTest, PositionOffEveryScreenIsPulledBack) {
    Start("WindowPositionX= 30000\r\nWindowPositionY= -9000\r\n");
    const QRect window = W().frameGeometry();
    bool seen = false;
    for (const QRect& s : platform::AvailableScreenAreas()) seen = seen || s.contains(window);
    EXPECT_TRUE(seen) << window.x() << "," << window.y();
}

TEST_F(MainWindowTest, ClosingSavesWhereTheWindowWasLeft) {
    Start("AlwaysOnTop= 1\r\n");
    W().move(123, 45);
    Type("5");  // typing changes nothing that is saved
    W().close();
    EXPECT_EQ(ended_, 1);
    EXPECT_FALSE(W().isVisible());
    const std::string ini = IniText();
    EXPECT_NE(ini.find("WindowPositionX= 123\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("WindowPositionY= 45\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("AlwaysOnTop= 1\r\n"), std::string::npos) << ini;
}

TEST_F(MainWindowTest, HideZoneQuitsAfterSaving) {
    Start("ConfirmQuit= 0\r\nQuitOnHide= 1\r\n");
    Click(W().lblQuit);
    EXPECT_EQ(ended_, 1);
    EXPECT_FALSE(W().isVisible());
    EXPECT_NE(IniText().find("QuitOnHide= 1"), std::string::npos);
}

}  // namespace
}  // namespace quorva
