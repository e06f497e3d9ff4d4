#include <QClipboard>
#include <QFontInfo>
#include <QGuiApplication>
#include <QListView>
#include <QSignalSpy>

#include "ProgramFixture.h"
#include "frmLargeStack.h"

namespace quorva {
namespace {

class LargeStackWindowTest : public ProgramFixture {
protected:
    frmLargeStack& L() {
        if (!P().LargeStackVisible()) QTest::keyClick(&W(), Qt::Key_F2);
        return *P().LargeStackWindow();
    }
    QWidget* List() { return L().lstLargeStack->viewport(); }
    QPoint RowPoint(int row) { return L().lstLargeStack->visualRect(L().Rows().index(row)).center(); }
    QStringList Rows() {
        QStringList rows;
        const LargeStackModel& m = L().Rows();
        for (int r = 0; r < m.rowCount(); ++r) rows << m.data(m.index(r), Qt::DisplayRole).toString();
        return rows;
    }
    QStringList CoreRows() {
        QStringList rows;
        for (const std::string& r : Calc().Views().largeRows) rows << QString::fromStdString(r);
        return rows;
    }
    std::vector<double> Values() {
        std::vector<double> v;
        for (int q = 1; q <= Count(); ++q) v.push_back(Calc().Stack().GetItem(q).value);
        return v;
    }
    void Type(const char* keys) { QTest::keyClicks(&W(), QString::fromLatin1(keys)); }
};

TEST_F(LargeStackWindowTest, BorderlessTooltipColouredFixedPitchList) {
    Start();
    frmLargeStack& l = L();
    EXPECT_TRUE(l.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(l.windowTitle(), "Quorva 3 - Large Stack");
    EXPECT_EQ(l.size(), QSize(qRound(5235 / P().TwipsX()), qRound(7950 / P().TwipsY())));
    EXPECT_EQ(l.lstLargeStack->geometry(), l.rect());
    EXPECT_TRUE(QFontInfo(l.lstLargeStack->font()).fixedPitch());
    EXPECT_EQ(l.lstLargeStack->toolTip(), "Double clic to move item to place1");
    const QPalette tip = QGuiApplication::palette();
    EXPECT_EQ(l.lstLargeStack->palette().color(QPalette::Base), tip.color(QPalette::ToolTipBase));
    // A row of the widest item fits without a horizontal scroll bar.
    Type("-1.23456789012345e-300\r");
    const int rowWidth = l.lstLargeStack->fontMetrics().horizontalAdvance(Rows().front());
    EXPECT_LE(rowWidth, l.lstLargeStack->viewport()->width());
}

TEST_F(LargeStackWindowTest, RowsFollowTheStackInPlace) {
    Start();
    frmLargeStack& l = L();
    QSignalSpy resets(&l.Rows(), &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&l.Rows(), &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&l.Rows(), &QAbstractItemModel::rowsRemoved);
    const struct {
        const char* keys;
        int count;
        int inserts;
        int removes;
    } steps[] = {
        {"1\r2\r3\r", 3, 3, 0},
        {"+", 2, 3, 1},
        {"u", 3, 4, 1},
        {"o", 3, 4, 1},  // the top item changes in place
        {"c", 0, 4, 2},
        {"5\r", 1, 5, 2},
    };
    for (const auto& s : steps) {
        Type(s.keys);
        EXPECT_EQ(Rows(), CoreRows()) << s.keys;
        EXPECT_EQ(Rows().size(), s.count) << s.keys;
        EXPECT_EQ(inserted.size(), s.inserts) << s.keys;
        EXPECT_EQ(removed.size(), s.removes) << s.keys;
        EXPECT_EQ(l.SelectedRow(), s.count - 1) << s.keys;
    }
    EXPECT_EQ(resets.size(), 0);
}

TEST_F(LargeStackWindowTest, DoubleClickMovesTheItemToLevelOneAndEnterDuplicatesTheSelection) {
    Start();
    Type("1\r2\r3\r");  // a, b, c from bottom to top
    frmLargeStack& l = L();
    QTest::mouseClick(List(), Qt::LeftButton, Qt::NoModifier, RowPoint(0));
    EXPECT_EQ(Calc().LargeSelected(), 0);
    QTest::mouseDClick(List(), Qt::LeftButton, Qt::NoModifier, RowPoint(0));
    EXPECT_EQ(Values(), (std::vector<double>{2, 3, 1}));
    EXPECT_EQ(l.SelectedRow(), 2);

    // Enter duplicates the selected row's item, not the top one.
    QTest::mouseClick(List(), Qt::LeftButton, Qt::NoModifier, RowPoint(1));
    QTest::keyClick(l.lstLargeStack, Qt::Key_Return);
    EXPECT_EQ(Values(), (std::vector<double>{2, 3, 1, 3}));

    // The last row moved to level 1 leaves the stack as it was; an empty list does nothing.
    QTest::mouseDClick(List(), Qt::LeftButton, Qt::NoModifier, RowPoint(3));
    EXPECT_EQ(Values(), (std::vector<double>{2, 3, 1, 3}));
    Type("c");
    QTest::mouseDClick(List(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_EQ(Count(), 0);
}

TEST_F(LargeStackWindowTest, ArrowsMoveTheListsSelectionAndTypingStillCalculates) {
    Start();
    Type("10\r20\r30\r");
    frmLargeStack& l = L();
    l.lstLargeStack->setFocus();
    QTest::keyClick(l.lstLargeStack, Qt::Key_Up);
    QTest::keyClick(l.lstLargeStack, Qt::Key_Up);
    EXPECT_EQ(l.SelectedRow(), 0);
    EXPECT_EQ(Calc().LargeSelected(), 0);
    QTest::keyClick(l.lstLargeStack, Qt::Key_Down);
    EXPECT_EQ(Calc().LargeSelected(), 1);
    QTest::keyClick(l.lstLargeStack, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromStdString(Calc().Stack().GetItem(2).text));
    // Digits are the calculator's, not a search in the list.
    QTest::keyClicks(l.lstLargeStack, "3+");
    EXPECT_EQ(Values(), (std::vector<double>{10, 20, 33}));
    EXPECT_EQ(l.SelectedRow(), 2);
    QTest::keyClick(l.lstLargeStack, Qt::Key_F2);
    EXPECT_FALSE(l.isVisible());
    EXPECT_FALSE(P().LargeStackShown);
}

TEST_F(LargeStackWindowTest, PressWithAnyButtonDragsTheWindow) {
    Start();
    Type("1\r");
    frmLargeStack& l = L();
    for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        const int before = l.DragsStarted();
        QTest::mousePress(List(), b, Qt::NoModifier, QPoint(20, 200));
        QTest::mouseRelease(List(), b, Qt::NoModifier, QPoint(20, 200));
        EXPECT_EQ(l.DragsStarted(), before + 1);
    }
    // The offscreen platform has no system move: our own move follows the pointer.
    const QPoint at = l.pos();
    QTest::mousePress(List(), Qt::RightButton, Qt::NoModifier, QPoint(20, 200));
    QTest::mouseMove(List(), QPoint(70, 230));
    QTest::mouseRelease(List(), Qt::RightButton, Qt::NoModifier, QPoint(70, 230));
    EXPECT_EQ(l.pos(), at + QPoint(50, 30));
}

}  // namespace
}  // namespace quorva
