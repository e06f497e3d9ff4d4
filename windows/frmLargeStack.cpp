#include "frmLargeStack.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>
#include <QVBoxLayout>

#include <cmath>

#include "Host.h"
#include "Keys.h"

namespace quorva {

int LargeStackModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count_; }

QVariant LargeStackModel::data(const QModelIndex& index, int role) const {
    const int row = index.row();
    if (role != Qt::DisplayRole || !index.isValid() || row >= count_ || row >= static_cast<int>(rows_.size())) return {};
    return QString::fromStdString(rows_[static_cast<size_t>(row)]);
}

void LargeStackModel::RowsChanged() {
    const int after = static_cast<int>(rows_.size());
    if (after < count_) {
        beginRemoveRows({}, after, count_ - 1);
        count_ = after;
        endRemoveRows();
    } else if (after > count_) {
        beginInsertRows({}, count_, after - 1);
        count_ = after;
        endInsertRows();
    }
    // Level numbers move with every push and drop, so the rows kept are repainted whole.
    if (count_ > 0) emit dataChanged(index(0), index(count_ - 1), {Qt::DisplayRole});
}

frmLargeStack::frmLargeStack(LargeStackOwner& program)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      lstLargeStack(new QListView(this)),
      program_(program),
      model_(program.Calc().Views().largeRows) {
    setObjectName(QStringLiteral("frmLargeStack"));
    setWindowTitle(QStringLiteral("Quorva 3 - Large Stack"));
    setWindowIcon(QIcon(QStringLiteral(":/quorva.png")));
    resize(static_cast<int>(std::lround(5235 / program.TwipsX())),
           static_cast<int>(std::lround(7950 / program.TwipsY())));

    lstLargeStack->setObjectName(QStringLiteral("lstLargeStack"));
    lstLargeStack->setAccessibleName(QStringLiteral("Large stack"));
    lstLargeStack->setModel(&model_);
    lstLargeStack->setUniformItemSizes(true);
    lstLargeStack->setSelectionMode(QAbstractItemView::SingleSelection);
    lstLargeStack->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstLargeStack->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSizeF(9.75);
    lstLargeStack->setFont(font);
    lstLargeStack->setToolTip(QStringLiteral("Double clic to move item to place1"));
    QPalette p = lstLargeStack->palette();
    p.setColor(QPalette::Base, p.color(QPalette::ToolTipBase));
    p.setColor(QPalette::Text, p.color(QPalette::ToolTipText));
    lstLargeStack->setPalette(p);
    lstLargeStack->installEventFilter(this);
    lstLargeStack->viewport()->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(lstLargeStack);
    setFocusProxy(lstLargeStack);

    QObject::connect(lstLargeStack->selectionModel(), &QItemSelectionModel::currentChanged, this,
                     [this](const QModelIndex& current) {
                         if (!following_) program_.Calc().SetLargeSelected(current.isValid() ? current.row() : -1);
                     });
    Refresh(kViewLargeRows | kViewLargeSelection);
}

int frmLargeStack::SelectedRow() const {
    const QModelIndex current = lstLargeStack->currentIndex();
    return current.isValid() && lstLargeStack->selectionModel()->isSelected(current) ? current.row() : -1;
}

void frmLargeStack::SelectRow(int row) {
    following_ = true;
    if (row < 0 || row >= model_.rowCount()) {
        lstLargeStack->selectionModel()->clear();
    } else {
        const QModelIndex index = model_.index(row);
        lstLargeStack->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        lstLargeStack->scrollTo(index);
    }
    following_ = false;
}

void frmLargeStack::Refresh(unsigned views) {
    const StackViews& v = program_.Calc().Views();
    if (views & kViewLargeRows) {
        following_ = true;
        model_.RowsChanged();
        following_ = false;
    }
    if (views & (kViewLargeRows | kViewLargeSelection)) SelectRow(v.largeSelected);
}

void frmLargeStack::lstLargeStack_MouseDown(const QMouseEvent& event) {
    drag_.Begin(*this, event.globalPosition().toPoint(), event.button());
}

void frmLargeStack::lstLargeStack_DblClick() { program_.Calc().MoveSelectedToTop(); }

bool frmLargeStack::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lstLargeStack->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            const auto& me = *static_cast<QMouseEvent*>(event);
            // The press picks the row under it, as a list does, and then moves the window.
            const QModelIndex under = lstLargeStack->indexAt(me.position().toPoint());
            if (under.isValid()) {
                lstLargeStack->selectionModel()->setCurrentIndex(under, QItemSelectionModel::ClearAndSelect);
            }
            lstLargeStack->setFocus(Qt::MouseFocusReason);
            lstLargeStack_MouseDown(me);
            return true;
        }
        case QEvent::MouseButtonDblClick:
            lstLargeStack_DblClick();
            return true;
        case QEvent::MouseMove:
            drag_.Follow(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
            return true;
        case QEvent::MouseButtonRelease:
            drag_.End();
            return true;
        default:
            break;
        }
        return QWidget::eventFilter(watched, event);
    }
    if (watched == lstLargeStack) {
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept();  // Ctrl+C is the calculator's copy, not the list's
            return true;
        }
        if (event->type() == QEvent::KeyPress) {
            const auto& key = *static_cast<QKeyEvent*>(event);
            FeedKey(program_.Calc(), key, KeyWindow::LargeStack);
            // The list moves its own selection; it must not see typed characters, which
            // would jump to a row or copy it.
            return !IsMoveKey(key.key());
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmLargeStack::closeEvent(QCloseEvent* event) {
    event->ignore();
    program_.ToggleLargeStackWindow();
}

}  // namespace quorva
