#include "SideWindows.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <cmath>

#include "Host.h"
#include "Keys.h"
#include "Program.h"

namespace quorva {

namespace {
int Pixels(double twips, double perPixel) { return static_cast<int>(std::lround(twips / perPixel)); }
}  // namespace

frmCommands::frmCommands(Program& program) : QWidget(nullptr, Qt::Window), program_(program) {
    setObjectName(QStringLiteral("frmCommands"));
    setWindowTitle(QStringLiteral("Quorva 4.00 - Functions and Settings"));
    setFocusPolicy(Qt::StrongFocus);
    resize(Pixels(10245, program.TwipsX()), Pixels(8310, program.TwipsY()));
}

bool frmCommands::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        FeedKey(program_.Calc(), *static_cast<QKeyEvent*>(event), KeyWindow::Functions);
        return true;
    }
    return QWidget::event(event);
}

void frmCommands::closeEvent(QCloseEvent* event) {
    // Its close box only hides it, saving the settings as F1 does.
    event->ignore();
    program_.ToggleFunctionsWindow();
}

frmLargeStack::frmLargeStack(Program& program)
    : QWidget(nullptr, Qt::Window), lstLargeStack(new QListWidget(this)), program_(program) {
    setObjectName(QStringLiteral("frmLargeStack"));
    setWindowTitle(QStringLiteral("Quorva 3 - Large Stack"));
    resize(Pixels(5235, program.TwipsX()), Pixels(7950, program.TwipsY()));
    lstLargeStack->setObjectName(QStringLiteral("lstLargeStack"));
    QFont font(QStringLiteral("Courier New"));
    font.setPointSizeF(9.75);
    lstLargeStack->setFont(font);
    lstLargeStack->setToolTip(QStringLiteral("Double clic to move item to place1"));
    lstLargeStack->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(lstLargeStack);
    QObject::connect(lstLargeStack, &QListWidget::currentRowChanged, this,
                     [this](int row) { program_.Calc().SetLargeSelected(row); });
    Refresh(kViewLargeRows | kViewLargeSelection);
}

void frmLargeStack::Refresh(unsigned views) {
    const QSignalBlocker quiet(lstLargeStack);
    const StackViews& v = program_.Calc().Views();
    if (views & kViewLargeRows) {
        lstLargeStack->clear();
        for (const std::string& row : v.largeRows) lstLargeStack->addItem(QString::fromStdString(row));
    }
    if (views & (kViewLargeRows | kViewLargeSelection)) lstLargeStack->setCurrentRow(v.largeSelected);
}

bool frmLargeStack::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lstLargeStack && event->type() == QEvent::KeyPress) {
        const auto& key = *static_cast<QKeyEvent*>(event);
        FeedKey(program_.Calc(), key, KeyWindow::LargeStack);
        // The list moves its own selection with the arrows.
        return key.key() != Qt::Key_Up && key.key() != Qt::Key_Down;
    }
    return QWidget::eventFilter(watched, event);
}

void frmLargeStack::closeEvent(QCloseEvent* event) {
    event->ignore();
    program_.ToggleLargeStackWindow();
}

}  // namespace quorva
