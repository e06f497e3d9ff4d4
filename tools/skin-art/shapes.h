#pragma once
// Shapes both drawings cut their outlines with.

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

}  // namespace quorva::art
