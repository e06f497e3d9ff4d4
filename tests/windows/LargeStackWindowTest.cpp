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
    QStringList Rows() {
        QStringList rows;
        const LargeStackModel& m = P().LargeStackWindow()->Rows();
        for (int r = 0; r < m.rowCount(); ++r) rows << m.data(m.index(r), Qt::DisplayRole).toString();
        return rows;
    }
};

// Rows are inserted and removed at the end, never reset: a reset would lose the scroll position.
// In the list Up and Down are the list's, the other keys the calculator's; a move is the key
// cases' (move_to_level_one) and e2e.large_stack's double click.
TEST_F(LargeStackWindowTest, ABorderlessFixedPitchListFollowsTheStackInPlaceAndPassesKeysOn) {
    Start();
    Key(Qt::Key_F2);
    frmLargeStack& l = *P().LargeStackWindow();
    EXPECT_TRUE(l.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(QFontInfo(l.lstLargeStack->font()).fixedPitch());
    QSignalSpy resets(&l.Rows(), &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&l.Rows(), &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&l.Rows(), &QAbstractItemModel::rowsRemoved);
    const struct { const char* keys; int count, inserts, removes; } steps[] = {
        {"1\r2\r3\r", 3, 3, 0}, {"+", 2, 3, 1}, {"u", 3, 4, 1}, {"o", 3, 4, 1},  // "o": the top item changes
        {"c", 0, 4, 2}, {"5\r", 1, 5, 2}};
    for (const auto& s : steps) {
        Type(s.keys);
        QStringList core;
        for (const std::string& r : Calc().Views().largeRows) core << QString::fromStdString(r);
        EXPECT_EQ(Rows(), core) << s.keys;
        EXPECT_EQ(inserted.size(), s.inserts) << s.keys;
        EXPECT_EQ(removed.size(), s.removes) << s.keys;
        EXPECT_EQ(l.SelectedRow(), s.count - 1) << s.keys;
    }
    EXPECT_EQ(resets.size(), 0);
    Type("c-1.23456789012345e-300\r");  // the widest item fits
    EXPECT_LE(l.lstLargeStack->fontMetrics().horizontalAdvance(Rows().front()),
              l.lstLargeStack->viewport()->width());

    Type("c20\r30\r10\r");
    QWidget* list = l.lstLargeStack;
    list->setFocus();
    Key(Qt::Key_Up, Qt::NoModifier, list);
    Key(Qt::Key_C, Qt::ControlModifier, list);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), Calc().Stack().GetItem(2).text);
    Type("3+", list);  // not a search in the list
    EXPECT_EQ(Values(), (std::vector<double>{20, 30, 13}));
    EXPECT_EQ(l.SelectedRow(), 2);
    Key(Qt::Key_F2, Qt::NoModifier, list);
    EXPECT_FALSE(l.isVisible());
}

}  // namespace
}  // namespace quorva
