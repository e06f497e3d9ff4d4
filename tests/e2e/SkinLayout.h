#pragma once
// Where the built-in skin puts its displays and zones (top-left corner and size in pixels), and
// its key colour, as the picture test and the screenshot check need them.

#include <QColor>
#include <QRect>

#include <array>

namespace quorva::e2e {

inline const QColor kKeyColour(255, 254, 183);

enum class ZoneKind { Display, Caption, Symbol };

struct Zone {
    const char* name;
    QRect rect;
    ZoneKind kind;
};

inline const std::array<Zone, 8> kZones{{
    {"stack", QRect(17, 50, 180, 80), ZoneKind::Display},
    {"entry", QRect(17, 152, 180, 20), ZoneKind::Display},
    {"quit", QRect(236, 10, 20, 20), ZoneKind::Symbol},
    {"angle", QRect(211, 40, 32, 20), ZoneKind::Caption},
    {"decimal", QRect(211, 62, 32, 20), ZoneKind::Caption},
    {"ontop", QRect(216, 10, 20, 20), ZoneKind::Symbol},
    {"largestack", QRect(216, 86, 20, 20), ZoneKind::Symbol},
    {"functions", QRect(216, 113, 20, 20), ZoneKind::Symbol},
}};

inline int luma(QRgb c) { return (299 * qRed(c) + 587 * qGreen(c) + 114 * qBlue(c)) / 1000; }

inline bool isKey(QRgb c) { return (c & 0xFFFFFFu) == (kKeyColour.rgb() & 0xFFFFFFu); }

}  // namespace quorva::e2e
