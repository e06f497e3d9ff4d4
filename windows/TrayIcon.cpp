#include "TrayIcon.h"

#include <QAction>
#include <QIcon>
#include <QMenu>

namespace quorva {

TrayIcon::TrayIcon(Handlers handlers)
    : mnuInTray(new QMenu),
      mnuQuorva(mnuInTray->addAction(QStringLiteral("Show Calc"))),
      mnuFunctions(mnuInTray->addAction(QStringLiteral("Functions and Settings"))),
      mnuLargeStack(mnuInTray->addAction(QStringLiteral("Large stack display"))),
      mnuQuit(mnuInTray->addAction(QStringLiteral("Quit"))),
      handlers_(std::move(handlers)) {
    mnuInTray->setObjectName(QStringLiteral("mnuInTray"));
    mnuInTray->setTitle(QStringLiteral("Quorva"));
    mnuQuorva->setObjectName(QStringLiteral("mnuQuorva"));
    mnuFunctions->setObjectName(QStringLiteral("mnuFunctions"));
    mnuLargeStack->setObjectName(QStringLiteral("mnuLargeStack"));
    mnuQuit->setObjectName(QStringLiteral("mnuQuit"));
    // The default entry is bold, whatever the style does with a default action.
    mnuInTray->setDefaultAction(mnuQuorva);
    QFont bold = mnuQuorva->font();
    bold.setBold(true);
    mnuQuorva->setFont(bold);

    const auto run = [](const std::function<void()>& f) {
        return [f] {
            if (f) f();
        };
    };
    QObject::connect(mnuQuorva, &QAction::triggered, this, run(handlers_.mnuQuorva_Click));
    QObject::connect(mnuFunctions, &QAction::triggered, this, run(handlers_.mnuFunctions_Click));
    QObject::connect(mnuLargeStack, &QAction::triggered, this, run(handlers_.mnuLargeStack_Click));
    QObject::connect(mnuQuit, &QAction::triggered, this, run(handlers_.mnuQuit_Click));

    QIcon icon;
    icon.addFile(QStringLiteral(":/quorva-32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/quorva.png"), QSize(256, 256));
    icon_.setIcon(icon);
    icon_.setToolTip(QStringLiteral(" Quorva 4.00 "));
    icon_.setContextMenu(mnuInTray);
    QObject::connect(&icon_, &QSystemTrayIcon::activated, this,
                     [this](QSystemTrayIcon::ActivationReason reason) { Activated(reason); });
}

TrayIcon::~TrayIcon() {
    icon_.hide();
    icon_.setContextMenu(nullptr);
    delete mnuInTray;
}

void TrayIcon::AddTrayIcon() { icon_.show(); }
void TrayIcon::DeleteTrayIcon() { icon_.hide(); }
bool TrayIcon::Shown() const { return icon_.isVisible(); }
bool TrayIcon::HostAvailable() { return QSystemTrayIcon::isSystemTrayAvailable(); }

void TrayIcon::Activated(QSystemTrayIcon::ActivationReason reason) {
    if (busy_) return;
    busy_ = true;
    // A right click pops the menu up by itself (QSystemTrayIcon::Context).
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
        if (handlers_.mnuQuorva_Click) handlers_.mnuQuorva_Click();
    }
    busy_ = false;
}

}  // namespace quorva
