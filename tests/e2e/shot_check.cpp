// Judges a screenshot of the whole screen with the calculator's window at a known place:
//   quorva-e2e-shot SKIN.png SHOT.png X Y empty|filled
// - the outline: where the skin has its key colour the desktop shows through, and no pixel of
//   the window's rectangle has the key colour;
// - the face: outside the displays and captions the window shows the skin picture itself;
// - the texts: ink (dark pixels) in the angle and decimal zones always, and in the stack and
//   entry displays only once something was typed ("filled"), none in the stack display at start.
// Exit 0 when all holds.

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Where the built-in skin puts its displays and zones (top-left corner and size in pixels).
const QColor kKeyColour(255, 254, 183);
enum class ZoneKind { Display, Caption, Symbol };
struct Zone { const char* name; QRect rect; ZoneKind kind; };
const std::array<Zone, 8> kZones{{
    {"stack", QRect(17, 50, 180, 80), ZoneKind::Display},
    {"entry", QRect(17, 152, 180, 20), ZoneKind::Display},
    {"quit", QRect(236, 10, 20, 20), ZoneKind::Symbol},
    {"angle", QRect(211, 40, 32, 20), ZoneKind::Caption},
    {"decimal", QRect(211, 62, 32, 20), ZoneKind::Caption},
    {"ontop", QRect(216, 10, 20, 20), ZoneKind::Symbol},
    {"largestack", QRect(216, 86, 20, 20), ZoneKind::Symbol},
    {"functions", QRect(216, 113, 20, 20), ZoneKind::Symbol},
}};

int luma(QRgb c) { return (299 * qRed(c) + 587 * qGreen(c) + 114 * qBlue(c)) / 1000; }
bool isKey(QRgb c) { return (c & 0xFFFFFFu) == (kKeyColour.rgb() & 0xFFFFFFu); }


int failures = 0;

void check(bool ok, const std::string& what, long measured) {
    std::printf("%s %-44s %ld\n", ok ? "ok  " : "FAIL", what.c_str(), measured);
    failures += !ok;
}

// Text drawn in a dark colour: pixels that are dark on the screen where the skin is light, so
// the picture's own dark details never count.
long ink(const QImage& skin, const QImage& shot, QPoint at, const QRect& r) {
    long n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += luma(skin.pixel(x, y)) >= 150 && luma(shot.pixel(at + QPoint(x, y))) < 110;
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6 || (std::strcmp(argv[5], "empty") != 0 && std::strcmp(argv[5], "filled") != 0)) {
        std::fprintf(stderr, "usage: quorva-e2e-shot SKIN.png SHOT.png X Y empty|filled\n");
        return 2;
    }
    const QImage skin = QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_RGB32);
    const QImage shot = QImage(QString::fromLocal8Bit(argv[2])).convertToFormat(QImage::Format_RGB32);
    const QPoint at(std::atoi(argv[3]), std::atoi(argv[4]));
    const bool filled = std::strcmp(argv[5], "filled") == 0;
    if (skin.isNull() || shot.isNull()) {
        std::fprintf(stderr, "quorva-e2e-shot: cannot read the pictures\n");
        return 2;
    }
    if (!shot.rect().contains(QRect(at, skin.size()))) {
        std::fprintf(stderr, "quorva-e2e-shot: the window at %d,%d is not wholly on the screen\n", at.x(), at.y());
        return 1;
    }

    // The desktop colour is read beside the window, where nothing else is shown.
    const QRgb desktop = shot.pixel(at.x() > 0 ? at.x() - 1 : at.x() + skin.width(), at.y());
    long keyOnScreen = 0, holesShowingDesktop = 0, holes = 0, facePixels = 0, faceMismatch = 0;
    for (int y = 0; y < skin.height(); ++y) {
        for (int x = 0; x < skin.width(); ++x) {
            const QRgb s = skin.pixel(x, y), p = shot.pixel(at + QPoint(x, y));
            keyOnScreen += isKey(p);
            if (isKey(s)) {
                ++holes;
                holesShowingDesktop += (p & 0xFFFFFF) == (desktop & 0xFFFFFF);
                continue;
            }
            bool underText = false;
            for (const Zone& z : kZones) underText |= z.kind != ZoneKind::Symbol && z.rect.contains(x, y);
            if (underText) continue;
            ++facePixels;
            faceMismatch += std::max({std::abs(qRed(s) - qRed(p)), std::abs(qGreen(s) - qGreen(p)),
                                      std::abs(qBlue(s) - qBlue(p))}) > 6;
        }
    }
    check(keyOnScreen == 0, "window pixels in the key colour", keyOnScreen);
    check(holes > 0 && holesShowingDesktop == holes, "cut-out pixels showing the desktop", holesShowingDesktop);
    check(faceMismatch * 200 <= facePixels, "face pixels differing from the skin", faceMismatch);

    for (const Zone& z : kZones) {
        const long n = ink(skin, shot, at, z.rect);
        const std::string what = std::string("ink in the ") + z.name + " zone";
        const bool stack = std::strcmp(z.name, "stack") == 0;
        if (z.kind == ZoneKind::Caption) check(n >= 10, what, n);  // "rad", ".15"
        if (z.kind == ZoneKind::Display && filled) check(n >= (stack ? 60 : 15), what, n);
        if (stack && !filled) check(n <= 5, "no " + what, n);
    }
    return failures == 0 ? 0 : 1;
}
