#include "TrayIcon.h"

#include <QAction>
#include <QIcon>
#include <QIconEngine>
#include <QMenu>
#include <QPainter>

#include <algorithm>

#include "Pictures.h"
#include "Version.h"

namespace quorva {

namespace {

// Qt's own icon engine keeps every picture it hands out in the global pixmap cache, whose
// trimming timer then wakes the waiting calculator half a minute later. These few pictures
// are kept here instead.
class SmallIconEngine : public QIconEngine {
public:
    explicit SmallIconEngine(QList<QPixmap> pictures) : pictures_(std::move(pictures)) {
        std::sort(pictures_.begin(), pictures_.end(),
                  [](const QPixmap& a, const QPixmap& b) {
                      return a.width() * a.height() < b.width() * b.height();
                  });
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override {
        const QPixmap& best = Best(size);
        if (best.size() == Fitted(best.size(), size)) return best;
        return best.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        const QPixmap picture = pixmap(rect.size(), mode, state);
        const QPoint margin((rect.width() - picture.width()) / 2, (rect.height() - picture.height()) / 2);
        painter->drawPixmap(QRect(rect.topLeft() + margin, picture.size()), picture);
    }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        return Fitted(Best(size).size(), size);
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        QList<QSize> sizes;
        for (const QPixmap& p : pictures_) sizes.append(p.size());
        return sizes;
    }
    QIconEngine* clone() const override { return new SmallIconEngine(pictures_); }
    QString key() const override { return QStringLiteral("quorva-small"); }

private:
    // Scaled down into the asked size, never up, as Qt's engine does.
    static QSize Fitted(QSize picture, QSize asked) {
        return picture.width() <= asked.width() && picture.height() <= asked.height()
                   ? picture
                   : picture.scaled(asked, Qt::KeepAspectRatio);
    }
    // The smallest picture that covers size, else the largest one.
    const QPixmap& Best(const QSize& size) const {
        static const QPixmap none;
        for (const QPixmap& p : pictures_) {
            if (p.width() >= size.width() && p.height() >= size.height()) return p;
        }
        return pictures_.isEmpty() ? none : pictures_.last();
    }

    QList<QPixmap> pictures_;  // smallest first
};

}  // namespace

QPixmap SmallIconPicture(int side) {
    // The application icon redrawn on whole pixels: scaled down from 32 pixels it blurs.
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    const int u = side / 8;           // 2 at 16, 2 at 22, 3 at 24
    const int inset = side >= 22 ? 1 : 0;
    const QRect body(inset, inset, side - 2 * inset, side - 2 * inset);
    p.setPen(QColor(0x0E, 0x12, 0x1A));
    p.setBrush(QColor(0x2A, 0x30, 0x3C));
    p.drawRect(body.adjusted(0, 0, -1, -1));
    // Cut corners, so the body reads as rounded.
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    for (const QPoint c : {body.topLeft(), body.topRight(), body.bottomLeft(), body.bottomRight()}) {
        p.drawRect(QRect(c, QSize(1, 1)));
    }
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const QRect screen(body.left() + u, body.top() + u, body.width() - 2 * u, body.height() / 2 - u / 2);
    p.fillRect(screen, QColor(0xDD, 0xE4, 0xD2));
    // Two lines of digits, the lower one dark and bold.
    const int lineW = screen.width() * 2 / 3;
    p.fillRect(QRect(screen.right() - lineW, screen.top() + screen.height() / 3 - 1, lineW, 1),
               QColor(0x90, 0x96, 0x90));
    p.fillRect(QRect(screen.right() - lineW, screen.bottom() - screen.height() / 4 - 1, lineW,
                     side >= 22 ? 2 : 1),
               QColor(0x10, 0x18, 0x50));
    // Three keys, the last one orange.
    const int keysTop = screen.bottom() + 1 + u;
    const int keyH = body.bottom() - u - keysTop + 1;
    const int gap = 1;
    const int keyW = (screen.width() - 2 * gap) / 3;
    for (int k = 0; k < 3; ++k) {
        const QRect key(screen.left() + k * (keyW + gap), keysTop, keyW, keyH);
        p.fillRect(key, k == 2 ? QColor(0xF2, 0xA0, 0x3D) : QColor(0x4A, 0x52, 0x63));
    }
    return pixmap;
}

QIcon SmallIcon() {
    QList<QPixmap> pictures;
    for (int side : {16, 22, 24}) pictures.append(SmallIconPicture(side));
    pictures.append(QPixmap::fromImage(platform::LoadPicture(QStringLiteral(":/quorva-32.png"))));
    return QIcon(new SmallIconEngine(std::move(pictures)));
}

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

    icon_.setIcon(SmallIcon());
    icon_.setToolTip(QStringLiteral(" Quorva " QUORVA_VERSION " "));
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
