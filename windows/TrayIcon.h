#pragma once
// The notification-area icon and its menu. A left click or a double click shows all windows;
// the menu offers "Show Calc" (the default), "Functions and Settings", "Large stack display"
// and "Quit".

#include <QObject>
#include <QSystemTrayIcon>

#include <functional>

class QAction;
class QMenu;

class QIcon;
class QPixmap;

namespace quorva {

// The icon at the small sizes of notification areas, drawn to the pixel.
QPixmap SmallIconPicture(int side);
// The program's icon up to 32 pixels, for the notification area and the window manager: the
// large picture would cost a 256-pixel decode and a quarter megabyte on every start.
QIcon SmallIcon();

class TrayIcon : public QObject {
public:
    struct Handlers {
        std::function<void()> mnuQuorva_Click;
        std::function<void()> mnuFunctions_Click;
        std::function<void()> mnuLargeStack_Click;
        std::function<void()> mnuQuit_Click;
    };

    explicit TrayIcon(Handlers handlers);
    ~TrayIcon() override;

    void AddTrayIcon();
    void DeleteTrayIcon();
    bool Shown() const;
    // Whether a notification area is there to hold the icon.
    static bool HostAvailable();

    QSystemTrayIcon& Icon() { return icon_; }
    QMenu* const mnuInTray;
    QAction* const mnuQuorva;
    QAction* const mnuFunctions;
    QAction* const mnuLargeStack;
    QAction* const mnuQuit;

    void Activated(QSystemTrayIcon::ActivationReason reason);

private:
    Handlers handlers_;
    QSystemTrayIcon icon_;
    bool busy_ = false;  // TrayBusy: the icon's own handler is running
};

}  // namespace quorva
