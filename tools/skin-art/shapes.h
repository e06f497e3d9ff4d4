#pragma once
// Shapes both drawings cut their outlines with, and the bevel both draw inside them.

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>

#include <algorithm>

namespace quorva::art {

// Whether the pixel at px, py lies inside r with corners of the given radius.
inline bool InsideRounded(double px, double py, const QRectF& r, double radius) {
    if (px < r.left() || px >= r.right() || py < r.top() || py >= r.bottom()) return false;
    const double cx = std::clamp(px, r.left() + radius, r.right() - radius);
    const double cy = std::clamp(py, r.top() + radius, r.bottom() - radius);
    const double dx = px - cx, dy = py - cy;
    return dx * dx + dy * dy <= radius * radius;
}

inline QPainterPath Rounded(const QRectF& r, double radius) {
    QPainterPath p;
    p.addRoundedRect(r, radius, radius);
    return p;
}

// A one-pixel bevel just inside the rim of body: light at the top, fading to nothing at
// fadeAt, darker again from 1 - fadeAt down to the bottom. Alphas of white above, black below.
struct Bevel {
    double fadeAt;
    int topLight, fadedLight, fadedShade, bottomShade;
};

inline void DrawBevel(QPainter& p, const QRectF& body, double radius, const Bevel& b) {
    const QRectF bevel = body.adjusted(1.5, 1.5, -1.5, -1.5);
    QLinearGradient edge(0, bevel.top(), 0, bevel.bottom());
    edge.setColorAt(0.0, QColor(255, 255, 255, b.topLight));
    edge.setColorAt(b.fadeAt, QColor(255, 255, 255, b.fadedLight));
    edge.setColorAt(1.0 - b.fadeAt, QColor(0, 0, 0, b.fadedShade));
    edge.setColorAt(1.0, QColor(0, 0, 0, b.bottomShade));
    p.setPen(QPen(QBrush(edge), 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(Rounded(bevel, radius - 1.5));
}

}  // namespace quorva::art
