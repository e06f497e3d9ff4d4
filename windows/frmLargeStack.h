#pragma once
// The whole stack, one row per item, bottom item first: a borderless window dragged by its
// list, where a double click moves an item to level 1 and the selected row is what Enter
// duplicates and Ctrl+C copies.

#include <QAbstractListModel>
#include <QWidget>

#include <string>
#include <vector>

#include "Owners.h"
#include "Window.h"

class QListView;

namespace quorva {


// The rows of the large stack list, read straight from the calculator's row texts: a refresh
// copies and converts nothing, it inserts or removes rows at the end and repaints; only the
// rows in sight are ever turned into text for the list.
class LargeStackModel : public QAbstractListModel {
public:
    explicit LargeStackModel(const std::vector<std::string>& rows) : rows_(rows) {}
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // The calculator's rows have changed.
    void RowsChanged();

private:
    const std::vector<std::string>& rows_;
    int count_ = 0;  // the rows the list knows of
};

class frmLargeStack : public QWidget {
public:
    explicit frmLargeStack(LargeStackOwner& program);

    QListView* const lstLargeStack;
    const LargeStackModel& Rows() const { return model_; }
    int SelectedRow() const;  // the list's own selection, -1 none
    int DragsStarted() const { return drag_.Started(); }

    // Repaint what the View bits name.
    void Refresh(unsigned views);

    void lstLargeStack_MouseDown(const QMouseEvent& event);
    void lstLargeStack_DblClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void SelectRow(int row);

    LargeStackOwner& program_;
    LargeStackModel model_;
    platform::WindowDrag drag_;
    bool following_ = false;  // the selection is being set from the calculator
};

}  // namespace quorva
