#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "ProgramFixture.h"
#include "StackFile.h"
#include "TrayIcon.h"
#include "frmAbout.h"
#include "frmCommands.h"

namespace quorva {
namespace {

class StartupQuitTest : public ProgramFixture {
protected:
    bool FunctionsShown() { return P().FunctionsWindow() && P().FunctionsWindow()->isVisible(); }
    // The icon comes with the calculator's first picture.
    TrayIcon& Tray() {
        EXPECT_TRUE(QTest::qWaitFor([&] { return P().Tray() != nullptr; }, 3000));
        return *P().Tray();
    }
    void AnswerNextBox(QMessageBox::StandardButton button) {
        QTimer::singleShot(10, &W(), [this, button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return AnswerNextBox(button);  // not up yet
            box->button(button)->click();
        });
    }
};

TEST(SmallIconTest, EachSizeGetsTheNearestPictureNeverScaledUp) {
    const QIcon icon = SmallIcon();
    const int cases[][2] = {{16, 16}, {22, 22}, {32, 32}, {20, 20}, {8, 8}, {48, 32}};  // asked, got
    for (const auto& c : cases) {
        EXPECT_EQ(icon.pixmap(c[0]).size(), QSize(c[1], c[1])) << c[0];
        EXPECT_EQ(icon.actualSize(QSize(c[0], c[0])), QSize(c[1], c[1])) << c[0];
    }
    EXPECT_EQ(icon.pixmap(22).toImage(), SmallIconPicture(22).toImage());
}

TEST_F(StartupQuitTest, StartMinimizedShowsTheIconAndSplashAndShowCalcBringsBackTheSetOfWindows) {
    Start("HideWindows= 1\r\nShowFunctionWindow= 1\r\n");
    EXPECT_FALSE(W().isVisible());
    EXPECT_FALSE(FunctionsShown());
    ASSERT_TRUE(P().Tray() && P().Tray()->Shown());  // at once: the only sign that it runs
    ASSERT_TRUE(QTest::qWaitFor([&] { return P().AboutWindow() != nullptr; }, 3000));
    EXPECT_TRUE(P().AboutWindow()->isVisible());
    Tray().mnuQuorva->trigger();
    EXPECT_TRUE(W().isVisible());
    EXPECT_TRUE(FunctionsShown());
    EXPECT_EQ(P().FunctionsWindow()->pos(), QPoint(0, 0));
    P().AboutWindow()->Timer1_Timer();  // its three seconds are up
    // A large stack opened from the menu is not part of the set, nor is the splash.
    Tray().mnuLargeStack->trigger();
    EXPECT_TRUE(P().LargeStackVisible());
    P().HideAllWindows();
    Tray().mnuQuorva->trigger();
    EXPECT_FALSE(P().AboutWindow()->isVisible());
    EXPECT_FALSE(P().LargeStackVisible());
    // The menu's Functions entry shows that window where it was left, and adds it to the set.
    P().FunctionsWindow()->move(300, 200);
    Key(Qt::Key_F1);
    EXPECT_FALSE(P().FunctionsWindowShown);
    Tray().mnuFunctions->trigger();
    EXPECT_TRUE(FunctionsShown());
    EXPECT_EQ(P().FunctionsWindow()->pos(), QPoint(300, 200));
    EXPECT_TRUE(P().FunctionsWindowShown);
}

TEST_F(StartupQuitTest, HideZoneWithDirectExitAsksFirstAndNoLeavesEverythingAsItWas) {
    Start("QuitOnHide= 1\r\n");
    Key(Qt::Key_F2);
    TrayIcon& tray = Tray();
    AnswerNextBox(QMessageBox::No);
    Click(W().lblQuit);
    EXPECT_EQ(ended_, 0);
    EXPECT_TRUE(W().isVisible() && P().LargeStackVisible());
    EXPECT_EQ(IniText(), "QuitOnHide= 1\r\n");  // not written
    AnswerNextBox(QMessageBox::Yes);
    Click(W().lblQuit);
    EXPECT_EQ(ended_, 1);
    EXPECT_FALSE(W().isVisible() || P().LargeStackVisible());
    EXPECT_FALSE(tray.Shown());
    EXPECT_NE(IniText(), "QuitOnHide= 1\r\n");  // saved at the end
}

// Ticked, quitting keeps the stack with its undo (e2e.drag: every item, bit for bit); unticked,
// the file is neither read nor kept. A damaged one never stops the start.
TEST_F(StartupQuitTest, TheKeptStackComesBackAtTheNextStartAndGoesOnceTheOptionIsOff) {
    const std::string stack = dir_.filePath("quorva.stack").toStdString();
    Start("ConfirmQuit= 0\r\nQuitOnHide= 1\r\nKeepStack= 1\r\n");
    Type("2\r3+&ff\r'101\rd");
    const std::string shown = W().lblStackDisplay->text().toStdString();
    P().SessionEnding();  // may still be cancelled: asks nothing, ends nothing
    EXPECT_TRUE(W().isVisible());
    EXPECT_EQ(ended_, 0);
    AnswerNextBox(QMessageBox::No);  // would keep it running: no confirmation is asked
    Click(W().lblQuit);
    P().QuitWithoutAsking();  // a signal while ending
    EXPECT_EQ(ended_, 1);
    program_.reset();

    Start();
    EXPECT_EQ(Values(), (std::vector<double>{5, 255}));
    EXPECT_EQ(W().lblStackDisplay->text().toStdString(), shown);
    Type("u");  // the drop comes undone
    EXPECT_EQ(Values(), (std::vector<double>{5, 255, 5}));
    P().Options().Set(Option::KeepStack, 0);
    P().QuitWithoutAsking();
    program_.reset();

    // Unticked (and so saved), a file left by a program that was killed is not read, and goes.
    const std::string text = StackFileText({{}, {{StackItem{}, {kKindDecimal, 7, "7"}}, 1, false, {}, 0}});
    std::ofstream(stack) << text;
    Start();
    EXPECT_EQ(Count(), 0);
    P().QuitWithoutAsking();
    EXPECT_FALSE(std::ifstream(stack).is_open());  // gone
    program_.reset();

    // Damaged (kept aside is StackFileTest's): an empty stack, the user told, a good file at the end.
    std::ofstream(stack) << text.substr(0, text.size() / 2) << "x\n";
    Start("KeepStack= 1\r\n");
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(Calc().EntryCaption(), "STACK FILE TRUNCATED");
    Type("4\r");
    P().QuitWithoutAsking();
    EXPECT_EQ(ReadStackFileText(FileText(stack)).content.stack.count, 1);
}

}  // namespace
}  // namespace quorva
