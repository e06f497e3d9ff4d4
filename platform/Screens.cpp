#include "Screens.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace quorva::platform {

int ScreenOfDisplay(const char* display) {
    if (display == nullptr) return 0;
    const char* colon = std::strrchr(display, ':');
    const char* dot = colon != nullptr ? std::strchr(colon, '.') : nullptr;
    if (dot == nullptr || dot[1] < '0' || dot[1] > '9') return 0;
    return std::atoi(dot + 1);
}

namespace {
double TwipsPer(qreal dpi) {
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}
}  // namespace

double TwipsPerPixelX() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return TwipsPer(s ? s->logicalDotsPerInchX() : 96.0);
}

double TwipsPerPixelY() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return TwipsPer(s ? s->logicalDotsPerInchY() : 96.0);
}

QPoint PullOntoScreen(const QRect& rect, const QList<QRect>& screens) {
    if (screens.isEmpty()) return rect.topLeft();
    // Enough to grab it again with the mouse.
    const int needW = std::min(rect.width(), 32);
    const int needH = std::min(rect.height(), 32);
    for (const QRect& s : screens) {
        const QRect seen = s.intersected(rect);
        if (seen.width() >= needW && seen.height() >= needH) return rect.topLeft();
    }
    const QPoint centre = rect.center();
    const QRect* nearest = &screens.front();
    long long best = -1;
    for (const QRect& s : screens) {
        const long long dx = std::clamp(centre.x(), s.left(), s.right()) - centre.x();
        const long long dy = std::clamp(centre.y(), s.top(), s.bottom()) - centre.y();
        const long long d = dx * dx + dy * dy;
        if (best < 0 || d < best) {
            best = d;
            nearest = &s;
        }
    }
    const int x =
        std::max(nearest->left(), std::min(rect.left(), nearest->right() + 1 - rect.width()));
    const int y =
        std::max(nearest->top(), std::min(rect.top(), nearest->bottom() + 1 - rect.height()));
    return {x, y};
}

QList<QRect> AvailableScreenAreas() {
    QList<QRect> areas;
    for (const QScreen* s : QGuiApplication::screens()) areas.append(s->availableGeometry());
    return areas;
}

}  // namespace quorva::platform
