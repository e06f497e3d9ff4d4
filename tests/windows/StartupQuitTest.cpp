#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <functional>
#include <future>

#include "ProgramFixture.h"
#include "TrayIcon.h"
#include "frmAbout.h"
#include "frmCommands.h"
#include "frmLargeStack.h"

namespace quorva {
namespace {

class StartupQuitTest : public ProgramFixture {
protected:
    bool Shown(QWidget* w) { return w != nullptr && w->isVisible(); }
    bool FunctionsShown() { return Shown(P().FunctionsWindow()); }
    bool LargeShown() { return Shown(P().LargeStackWindow()); }
    // The icon comes with the calculator's first picture.
    TrayIcon& Tray() {
        EXPECT_TRUE(QTest::qWaitFor([&] { return P().Tray() != nullptr; }, 3000));
        return *P().Tray();
    }

    // Answers the next message box with button, after noting its texts.
    void AnswerNextBox(QMessageBox::StandardButton button, int tries = 50) {
        QTimer::singleShot(10, &W(), [this, button, tries] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) {
                if (tries > 0) AnswerNextBox(button, tries - 1);  // not up yet
                return;
            }
            boxTitle_ = box->windowTitle();
            boxText_ = box->text();
            boxButtons_ = box->standardButtons();
            boxDefault_ = box->defaultButton() == box->button(QMessageBox::Yes);
            boxIcon_ = box->icon();
            box->button(button)->click();
        });
    }
    QString boxTitle_, boxText_;
    QMessageBox::StandardButtons boxButtons_;
    bool boxDefault_ = false;
    QMessageBox::Icon boxIcon_ = QMessageBox::Warning;
};

TEST_F(StartupQuitTest, TrayIconTipAndMenuInTheirOrder) {
    Start();
    EXPECT_EQ(P().Tray(), nullptr);  // not before the calculator is on screen
    TrayIcon& tray = Tray();
    EXPECT_EQ(tray.Icon().toolTip(), " Quorva 4.00 ");
    EXPECT_FALSE(tray.Icon().icon().isNull());
    EXPECT_TRUE(tray.Shown());
    QStringList texts;
    for (const QAction* a : tray.mnuInTray->actions()) texts << a->text();
    EXPECT_EQ(texts, QStringList({"Show Calc", "Functions and Settings", "Large stack display", "Quit"}));
    EXPECT_EQ(tray.mnuInTray->defaultAction(), tray.mnuQuorva);
    EXPECT_TRUE(tray.mnuQuorva->font().bold());
    EXPECT_FALSE(tray.mnuQuit->font().bold());
    EXPECT_EQ(tray.Icon().contextMenu(), tray.mnuInTray);
    EXPECT_FALSE(tray.mnuInTray->isVisible());
}

// Asked at the sizes desktops use, the icon gives the drawn picture that fits, a smaller size
// scaled down from the next larger one, and never a picture scaled up.
TEST(SmallIconTest, EachSizeGetsTheNearestPictureNeverScaledUp) {
    const QIcon icon = SmallIcon();
    EXPECT_EQ(icon.availableSizes(), (QList<QSize>{{16, 16}, {22, 22}, {24, 24}, {32, 32}}));
    const struct {
        int asked, got;
    } cases[] = {{16, 16}, {22, 22}, {24, 24}, {32, 32}, {20, 20}, {8, 8}, {48, 32}, {64, 32}};
    for (const auto& c : cases) {
        EXPECT_EQ(icon.pixmap(c.asked).size(), QSize(c.got, c.got)) << c.asked;
        EXPECT_EQ(icon.actualSize(QSize(c.asked, c.asked)), QSize(c.got, c.got)) << c.asked;
    }
    EXPECT_EQ(icon.pixmap(16).toImage(), SmallIconPicture(16).toImage());
    EXPECT_EQ(icon.pixmap(22).toImage(), SmallIconPicture(22).toImage());
}

TEST_F(StartupQuitTest, StartMinimizedShowsOnlyTheIconThenShowCalcBringsTheSetBack) {
    Start("HideWindows= 1\r\nShowFunctionWindow= 1\r\n");
    EXPECT_FALSE(W().isVisible());
    EXPECT_FALSE(FunctionsShown());
    ASSERT_NE(P().Tray(), nullptr);  // at once: nothing else shows where the calculator is
    EXPECT_TRUE(Tray().Shown());
    EXPECT_TRUE(P().FunctionsWindowShown);
    Tray().mnuQuorva->trigger();
    EXPECT_TRUE(W().isVisible());
    EXPECT_TRUE(FunctionsShown());
    EXPECT_FALSE(LargeShown());
}

TEST_F(StartupQuitTest, StartMinimizedWithoutANotificationAreaStartsShown) {
    Start("HideWindows= 1\r\n", /*trayHost=*/false);
    EXPECT_TRUE(W().isVisible());
}

TEST_F(StartupQuitTest, TrayClicksShowAllWindows) {
    Start();
    const struct {
        QSystemTrayIcon::ActivationReason reason;
        bool shows;
    } cases[] = {{QSystemTrayIcon::Trigger, true},
                 {QSystemTrayIcon::DoubleClick, true},
                 {QSystemTrayIcon::MiddleClick, false},
                 {QSystemTrayIcon::Context, false}};
    for (const auto& c : cases) {
        P().HideAllWindows();
        emit Tray().Icon().activated(c.reason);
        EXPECT_EQ(W().isVisible(), c.shows) << c.reason;
    }
}

TEST_F(StartupQuitTest, HideZoneHidesTheWholeSetAndShowCalcBringsTheSameSetBack) {
    Start("ConfirmQuit= 1\r\n");
    QTest::keyClick(&W(), Qt::Key_F1);
    QTest::keyClick(&W(), Qt::Key_F2);
    ASSERT_TRUE(FunctionsShown() && LargeShown());
    QTest::mouseClick(W().lblQuit, Qt::LeftButton);
    EXPECT_FALSE(W().isVisible());
    EXPECT_FALSE(FunctionsShown());
    EXPECT_FALSE(LargeShown());
    EXPECT_EQ(ended_, 0);
    EXPECT_EQ(IniText(), "ConfirmQuit= 1\r\n");  // hiding saves nothing
    EXPECT_TRUE(Tray().Shown());
    Tray().mnuQuorva->trigger();
    EXPECT_TRUE(W().isVisible() && FunctionsShown() && LargeShown());

    // A large stack opened from the menu is not part of the set.
    QTest::keyClick(&W(), Qt::Key_F2);
    Tray().mnuLargeStack->trigger();
    EXPECT_TRUE(LargeShown());
    P().HideAllWindows();
    P().ShowAllWindows();
    EXPECT_FALSE(LargeShown());
    // The menu's Functions entry shows that window where it was left, and adds it to the set.
    P().FunctionsWindow()->move(300, 200);
    QTest::keyClick(&W(), Qt::Key_F1);
    Tray().mnuFunctions->trigger();
    EXPECT_TRUE(FunctionsShown());
    EXPECT_TRUE(P().FunctionsWindowShown);
}

TEST_F(StartupQuitTest, QuitAsksFirstThenHidesSavesAndRemovesTheIcon) {
    Start("ConfirmQuit= 1\r\n");
    QTest::keyClick(&W(), Qt::Key_F2);
    W().move(140, 160);
    TrayIcon& tray = Tray();
    AnswerNextBox(QMessageBox::No);
    tray.mnuQuit->trigger();
    EXPECT_EQ(boxTitle_, "Confirmation");
    EXPECT_EQ(boxText_, "     Quit Quorva ?    ");
    EXPECT_EQ(boxButtons_, QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(boxDefault_);
    EXPECT_EQ(boxIcon_, QMessageBox::NoIcon);
    // No: everything as it was.
    EXPECT_EQ(ended_, 0);
    EXPECT_TRUE(W().isVisible() && LargeShown());
    EXPECT_EQ(IniText(), "ConfirmQuit= 1\r\n");  // not written

    AnswerNextBox(QMessageBox::Yes);
    tray.mnuQuit->trigger();
    EXPECT_EQ(ended_, 1);
    EXPECT_FALSE(W().isVisible() || LargeShown());
    EXPECT_FALSE(tray.Shown());
    EXPECT_NE(IniText().find("WindowPositionX= 140\r\nWindowPositionY= 160\r\n"), std::string::npos) << IniText();
}

TEST_F(StartupQuitTest, HideZoneWithDirectExitAndConfirmationAsksFirst) {
    Start("QuitOnHide= 1\r\n");
    AnswerNextBox(QMessageBox::No);
    QTest::mouseClick(W().lblQuit, Qt::LeftButton);
    EXPECT_EQ(boxText_, "     Quit Quorva ?    ");
    EXPECT_EQ(ended_, 0);
    EXPECT_TRUE(W().isVisible());
}

TEST_F(StartupQuitTest, SessionEndSavesWithoutAskingAndQuitSavesOnce) {
    Start();
    W().move(77, 66);
    P().SessionEnding();
    EXPECT_NE(IniText().find("WindowPositionX= 77\r\n"), std::string::npos);
    EXPECT_EQ(ended_, 0);
    EXPECT_TRUE(W().isVisible());
    P().QuitWithoutAsking();
    P().QuitWithoutAsking();  // a second signal while ending
    EXPECT_EQ(ended_, 1);
    // After the end nothing writes the file again.
    std::remove(IniPath().c_str());
    P().SessionEnding();
    EXPECT_FALSE(IniExists());
}

TEST_F(StartupQuitTest, DecisionASettingsFileThatCannotBeWrittenIsShownOnceInTheEntryLine) {
    Start();
    ASSERT_TRUE(QDir(dir_.path()).mkdir("quorva.ini"));  // a folder where the file should go
    EXPECT_FALSE(P().SaveSettings().ok);
    EXPECT_EQ(Calc().EntryCaption(), "SETTINGS NOT SAVED");
    QTest::keyClick(&W(), Qt::Key_1);
    EXPECT_EQ(Calc().EntryCaption(), "1");
    EXPECT_FALSE(P().SaveSettings().ok);  // told once is enough
    EXPECT_EQ(Calc().EntryCaption(), "1");
}

TEST_F(StartupQuitTest, SplashComesOnceTheCalculatorIsOnScreenThenHidesForGood) {
    Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return P().AboutWindow() != nullptr; }, 3000));
    frmAbout& about = *P().AboutWindow();
    EXPECT_TRUE(about.isVisible());
    EXPECT_EQ(about.lblVersion->text(), "version 4.00");
    EXPECT_EQ(about.size(), QSize(qRound(6195 / P().TwipsX()), qRound(3405 / P().TwipsY())));
    EXPECT_EQ(about.geometry().center(), W().screen()->availableGeometry().center());
    EXPECT_TRUE(about.Timer1().isActive());
    EXPECT_EQ(about.Timer1().interval(), 3000);
    const_cast<QTimer&>(about.Timer1()).start(1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !about.isVisible(); }, 2000));
    // Nothing brings it back.
    P().HideAllWindows();
    P().ShowAllWindows();
    P().ShowAboutWindow();
    QTest::qWait(20);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(P().AboutWindow(), &about);
}

// The splash copies an artwork painted ahead on a helper thread: it must look exactly as the
// one it paints itself, and a picture of another size is not used.
TEST(SplashArtworkTest, APreparedPictureIsCopiedWhenItFitsAndLooksAsThePaintedOne) {
    UseMetricCompatibleFonts();
    frmAbout painted;
    const auto picture = [](QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); };
    const QImage expected = picture(painted);
    const QSize size = painted.size();
    const qreal ratio = painted.devicePixelRatioF();
    const auto red = [ratio](QSize s) {
        QImage i(s * ratio, QImage::Format_RGB32);
        i.setDevicePixelRatio(ratio);
        i.fill(Qt::red);
        return i;
    };
    const struct {
        const char* name;
        std::function<QImage()> art;
        bool copied;
    } cases[] = {
        {"painted on this thread", [&] { return frmAbout::Artwork(size, ratio); }, false},
        {"painted on a helper thread",
         [&] { return std::async(std::launch::async, [&] { return frmAbout::Artwork(size, ratio); }).get(); }, false},
        {"a picture that fits", [&] { return red(size); }, true},
        {"a picture of another size", [&] { return red(size / 2); }, false},
    };
    for (const auto& c : cases) {
        frmAbout prepared;
        prepared.SetArtwork(c.art());
        const QImage shown = picture(prepared);
        if (c.copied) {
            EXPECT_EQ(shown.pixelColor(3, 3), QColor(Qt::red)) << c.name;
        } else {
            EXPECT_EQ(shown, expected) << c.name;
        }
    }
}

TEST_F(StartupQuitTest, SplashShowsEvenWhenStartingMinimized) {
    Start("HideWindows= 1\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return P().AboutWindow() != nullptr; }, 3000));
    EXPECT_TRUE(P().AboutWindow()->isVisible());
    EXPECT_FALSE(W().isVisible());
}

TEST_F(StartupQuitTest, ShowFunctionWindowOpensItWithTheCalculator) {
    Start("ShowFunctionWindow= 1\r\n");
    EXPECT_TRUE(W().isVisible());
    ASSERT_TRUE(FunctionsShown());
    EXPECT_EQ(P().FunctionsWindow()->pos(), QPoint(0, 0));
}

TEST_F(StartupQuitTest, ALaterStartAskingToShowBringsTheCalculatorBack) {
    Start();
    QTest::keyClick(&W(), Qt::Key_F2);
    P().HideAllWindows();
    P().ShowAtRequest();
    EXPECT_TRUE(W().isVisible());
    EXPECT_TRUE(LargeShown());
}

}  // namespace
}  // namespace quorva
