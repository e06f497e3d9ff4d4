// The sample skins of skins/: each a description and its picture, at the usual resolution and
// at twice it (NAME@2x.png). Both pictures are cut by the same mask, decided at the usual
// resolution by pixel centres, so the sharp picture has exactly the outline of the other one.

#include "sample_skins.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "shapes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

struct Pos {
    int x, y;
};

enum class KeyShape { Round, Square };

struct Design {
    const char* name;
    const char* bitmap;  // as the description names it, "\" between folders
    int width, height;
    double radius;
    QColor key;  // the cut-out colour, the top-left pixel
    QColor rim;
    QColor faceTop, faceBottom;
    QColor bezel;
    QColor glassTop, glassBottom;
    QColor pillTop, pillBottom, pillEdge;
    QColor capTop, capBottom, capEdge;
    QColor symbol;
    KeyShape keys;
    // texts: stack, entry, angle, decimal
    QColor stackInk, entryInk, angleInk, decimalInk;
    // stack, entry, quit, angle, decimal, on top, large stack, functions
    Pos stack, entry, quit, angle, decimal, onTop, largeStack, functions;
    const char* brand;
    Pos brandAt;
    int brandPixels;
    QColor brandColour;
    std::function<void(QPainter&, const Design&)> extra;  // the skin's own details, under the keys
    bool oneGlass = false;  // the entry line shares the stack's glass, marked by a prompt
};

const QSize kStackSize(180, 80);
const QSize kEntrySize(180, 20);
const QSize kCaptionSize(32, 20);
const QSize kSymbolSize(20, 20);

QRect At(Pos p, QSize s) { return QRect(QPoint(p.x, p.y), s); }

QFont Font(const char* family, int pixels, int weight, bool italic = false) {
    QFont f(QString::fromLatin1(family));
    f.setPixelSize(pixels);
    f.setWeight(static_cast<QFont::Weight>(weight));
    f.setItalic(italic);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

// The glass covers the label and a margin; the texts lie on its flat part only.
void DrawDisplay(QPainter& p, const Design& d, const QRectF& glass, double rim = 3) {
    const QRectF bezel = glass.adjusted(-rim, -rim, rim, rim);
    p.setPen(Qt::NoPen);
    p.setBrush(d.bezel);
    p.drawPath(quorva::art::Rounded(bezel, d.keys == KeyShape::Square ? 2 : 6));
    QLinearGradient g(glass.topLeft(), glass.bottomLeft());
    g.setColorAt(0.0, d.glassTop);
    g.setColorAt(1.0, d.glassBottom);
    p.setBrush(g);
    p.drawPath(quorva::art::Rounded(glass, d.keys == KeyShape::Square ? 1 : 3.5));
}

void DrawPill(QPainter& p, const Design& d, const QRect& zone) {
    const QRectF k(zone.left() + 1, zone.top() - 2, zone.width() - 2, 16);
    const double r = d.keys == KeyShape::Square ? 2 : 7.5;
    p.setPen(Qt::NoPen);
    p.setBrush(d.pillEdge);
    p.drawPath(quorva::art::Rounded(k.adjusted(-1, -1, 1, 1.4), r + 0.5));
    QLinearGradient g(k.topLeft(), k.bottomLeft());
    g.setColorAt(0.0, d.pillTop);
    g.setColorAt(1.0, d.pillBottom);
    p.setBrush(g);
    p.drawPath(quorva::art::Rounded(k, r));
}

void DrawCap(QPainter& p, const Design& d, const QRect& zone) {
    const QPointF c = QRectF(zone).center();
    const double r = 9.0;
    QLinearGradient g(c - QPointF(0, r), c + QPointF(0, r));
    g.setColorAt(0.0, d.capTop);
    g.setColorAt(1.0, d.capBottom);
    p.setPen(Qt::NoPen);
    p.setBrush(d.capEdge);
    if (d.keys == KeyShape::Round) {
        p.drawEllipse(c + QPointF(0, 0.6), r + 0.9, r + 0.9);
        p.setBrush(g);
        p.drawEllipse(c, r, r);
    } else {
        p.drawRect(QRectF(c.x() - r - 1, c.y() - r - 1, 2 * r + 2, 2 * r + 2));
        p.setBrush(g);
        p.drawRect(QRectF(c.x() - r + 1, c.y() - r + 1, 2 * r - 2, 2 * r - 2));
    }
}

void DrawHide(QPainter& p, const QColor& ink, const QRect& zone) {
    const QPointF c = QRectF(zone).center();
    p.fillRect(QRectF(c.x() - 4, c.y() + 3, 8, 2), ink);
}

void DrawPin(QPainter& p, const QColor& ink, const QRect& zone) {
    const double cx = QRectF(zone).center().x(), top = zone.top() + 3;
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawRect(QRectF(cx - 3, top, 6, 2));
    p.drawRect(QRectF(cx - 2, top + 2, 4, 4));
    p.drawRect(QRectF(cx - 4, top + 6, 8, 2));
    p.drawRect(QRectF(cx - 1, top + 8, 2, 4));
}

void DrawList(QPainter& p, const QColor& ink, const QRect& zone) {
    const QPointF c = QRectF(zone).center();
    p.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap));
    for (int i = -1; i <= 1; ++i) {
        const double y = c.y() + 3.4 * i;
        p.drawLine(QPointF(c.x() - 1.5, y), QPointF(c.x() + 4.5, y));
        p.drawPoint(QPointF(c.x() - 4.3, y));
    }
}

void DrawFunction(QPainter& p, const QColor& ink, const QRect& zone) {
    p.setPen(ink);
    p.setFont(Font("Liberation Serif", 12, QFont::Bold, true));
    p.drawText(QRectF(zone).adjusted(-1, -1, -1, -1), Qt::AlignCenter, QStringLiteral("f"));
}

void DrawFace(QPainter& p, const Design& d) {
    const QRectF body(0, 0, d.width, d.height);
    QLinearGradient face(0, 0, 0, d.height);
    face.setColorAt(0.0, d.faceTop);
    face.setColorAt(1.0, d.faceBottom);
    p.fillRect(body, face);
    QRadialGradient sheen(QPointF(d.width * 0.3, -d.height * 0.25), d.width * 0.8);
    sheen.setColorAt(0.0, QColor(255, 255, 255, 34));
    sheen.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.fillRect(body, sheen);
    quorva::art::DrawBevel(p, body, std::max(2.5, d.radius), {0.2, 80, 10, 16, 70});

    if (d.extra) d.extra(p, d);

    if (d.brand != nullptr) {
        p.setPen(d.brandColour);
        p.setFont(Font("Liberation Sans", d.brandPixels, QFont::Bold));
        p.drawText(QPointF(d.brandAt.x, d.brandAt.y), QString::fromLatin1(d.brand));
    }

    // the five stack lines fill 75 of the label's 80 pixels; the entry text sits at its top
    if (d.oneGlass) {
        const QRectF glass = QRectF(At(d.stack, kStackSize).united(At(d.entry, kEntrySize))).adjusted(-4, -2, 4, -1);
        DrawDisplay(p, d, glass, 2);
        p.setPen(Qt::NoPen);
        p.setBrush(d.bezel);
        p.drawPolygon(QPolygonF{QPointF(glass.left() + 0.5, d.entry.y + 4.5), QPointF(glass.left() + 3.5, d.entry.y + 7.5),
                                QPointF(glass.left() + 0.5, d.entry.y + 10.5)});
    } else {
        DrawDisplay(p, d, QRectF(At(d.stack, kStackSize)).adjusted(-4, -4, 4, 1));
        DrawDisplay(p, d, QRectF(At(d.entry, kEntrySize)).adjusted(-4, -4, 4, -1));
    }
    DrawPill(p, d, At(d.angle, kCaptionSize));
    DrawPill(p, d, At(d.decimal, kCaptionSize));
    const QRect quit = At(d.quit, kSymbolSize), onTop = At(d.onTop, kSymbolSize);
    const QRect large = At(d.largeStack, kSymbolSize), functions = At(d.functions, kSymbolSize);
    for (const QRect& z : {quit, onTop, large, functions}) DrawCap(p, d, z);
    DrawHide(p, d.symbol, quit);
    DrawPin(p, d.symbol, onTop);
    DrawList(p, d.symbol, large);
    DrawFunction(p, d.symbol, functions);
}

QImage Draw(const Design& d, int scale) {
    const int w = d.width * scale, h = d.height * scale;
    const QRectF body(0, 0, d.width, d.height);
    QImage face(w, h, QImage::Format_ARGB32_Premultiplied);
    face.fill(Qt::transparent);
    {
        QPainter p(&face);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.scale(scale, scale);
        DrawFace(p, d);
        // cut to just inside the rim, anti-aliased against the rim only
        QImage cut(face.size(), QImage::Format_ARGB32_Premultiplied);
        cut.fill(Qt::transparent);
        {
            QPainter c(&cut);
            c.setRenderHint(QPainter::Antialiasing);
            c.scale(scale, scale);
            c.setPen(Qt::NoPen);
            c.setBrush(Qt::black);
            c.drawPath(quorva::art::Rounded(body.adjusted(1, 1, -1, -1), d.radius - 1));
        }
        p.resetTransform();
        p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        p.drawImage(0, 0, cut);
    }
    // The mask of the usual resolution decides every pixel of both pictures.
    const auto opaque = [&](int x, int y) { return quorva::art::InsideRounded(x / scale + 0.5, y / scale + 0.5, body, d.radius); };
    QImage out(w, h, QImage::Format_RGB32);
    out.fill(d.key);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (opaque(x, y)) out.setPixelColor(x, y, d.rim);
    {
        QPainter p(&out);
        p.drawImage(0, 0, face);
    }
    // a body pixel that happens to have the key colour would be a hole
    const QColor near(d.key.red() ^ 1, d.key.green(), d.key.blue());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (!opaque(x, y)) out.setPixelColor(x, y, d.key);
            else if (out.pixelColor(x, y) == d.key) out.setPixelColor(x, y, near);
    return out.convertToFormat(QImage::Format_RGB888);
}

void Ruled(QPainter& p, const Design& d) {
    // ledger paper: a red margin rule left of the stack and faint lines between its rows
    const QRect s = At(d.stack, kStackSize);
    p.setPen(QPen(QColor(142, 40, 36), 1));
    p.drawLine(QPointF(s.left() - 8.5, 6), QPointF(s.left() - 8.5, d.height - 44));
    p.setPen(QPen(QColor(255, 240, 200, 60), 1));
    for (int y = 14; y < d.height - 44; y += 8) p.drawLine(QPointF(8, y + 0.5), QPointF(s.left() - 14, y + 0.5));
    // the tray the zones sit in
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 38, 28));
    p.drawPath(quorva::art::Rounded(QRectF(8, d.height - 36, d.width - 16, 28), 8));
}

void Sidebar(QPainter& p, const Design& d) {
    QLinearGradient g(0, 0, 48, 0);
    g.setColorAt(0.0, QColor(46, 84, 78));
    g.setColorAt(1.0, QColor(36, 68, 63));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(quorva::art::Rounded(QRectF(0, 0, 48, d.height), d.radius));
    p.drawRect(QRectF(d.radius, 0, 48 - d.radius, d.height));
    p.setPen(QPen(QColor(255, 255, 255, 50), 1));
    p.drawLine(QPointF(48.5, 8), QPointF(48.5, d.height - 8));
}

void Grille(QPainter& p, const Design& d) {
    for (int i = 0; i < 4; ++i) {
        const double y = d.height - 54 + 8 * i;
        p.setPen(QPen(QColor(8, 10, 14), 2.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(240, y), QPointF(330, y));
        p.setPen(QPen(QColor(255, 255, 255, 26), 1.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(240, y + 1.6), QPointF(330, y + 1.6));
    }
    p.setPen(QColor(140, 160, 182));
    QFont f = Font("Liberation Sans", 9, QFont::Bold);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
    p.setFont(f);
    p.drawText(QPointF(24, 230), QStringLiteral("RPN  \u00B7  300 LEVELS  \u00B7  UNDO"));
}

void Beacon(QPainter& p, const Design& d) {
    p.setPen(QPen(QColor(255, 214, 0), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(5, 5, d.width - 10, d.height - 10));
}

const Design kDesigns[] = {
    {"pocket", "pocket.png", 208, 128, 10, QColor(255, 0, 255), QColor(96, 88, 76),
     QColor(248, 243, 232), QColor(226, 218, 202), QColor(120, 110, 96),
     QColor(236, 242, 228), QColor(228, 236, 220),
     QColor(255, 255, 255), QColor(240, 236, 226), QColor(150, 140, 124),
     QColor(214, 96, 62), QColor(180, 70, 42), QColor(120, 50, 30), QColor(255, 246, 236), KeyShape::Round,
     QColor(30, 34, 40), QColor(20, 24, 30), QColor(64, 40, 20), QColor(64, 40, 20),
     {14, 25}, {14, 105}, {184, 2}, {8, 4}, {44, 4}, {112, 2}, {136, 2}, {160, 2},
     nullptr, {0, 0}, 0, QColor(), {}, true},
    {"slate", "slate.png", 360, 260, 22, QColor(0, 255, 0), QColor(6, 8, 12),
     QColor(58, 66, 80), QColor(26, 30, 38), QColor(6, 8, 12),
     QColor(12, 20, 32), QColor(16, 26, 40),
     QColor(44, 54, 70), QColor(30, 38, 52), QColor(6, 8, 12),
     QColor(70, 80, 98), QColor(36, 42, 54), QColor(6, 8, 12), QColor(120, 214, 255), KeyShape::Round,
     QColor(196, 232, 255), QColor(255, 214, 120), QColor(200, 226, 255), QColor(200, 226, 255),
     {26, 70}, {26, 176}, {322, 16}, {238, 72}, {286, 72}, {296, 16}, {252, 122}, {300, 122},
     "quorva", {26, 44}, 22, QColor(120, 214, 255), Grille},
    {"beacon", "beacon.png", 270, 196, 6, QColor(255, 0, 255), QColor(255, 214, 0),
     QColor(0, 0, 0), QColor(0, 0, 0), QColor(255, 214, 0),
     QColor(0, 0, 0), QColor(0, 0, 0),
     QColor(0, 0, 0), QColor(0, 0, 0), QColor(255, 214, 0),
     QColor(0, 0, 0), QColor(0, 0, 0), QColor(255, 214, 0), QColor(255, 255, 255), KeyShape::Square,
     QColor(255, 255, 255), QColor(255, 214, 0), QColor(255, 255, 255), QColor(255, 255, 255),
     {16, 46}, {16, 158}, {236, 14}, {220, 50}, {220, 78}, {210, 14}, {224, 112}, {224, 144},
     "QUORVA", {16, 32}, 16, QColor(255, 214, 0), Beacon},
    {"sidebar", "sidebar.png", 246, 146, 12, QColor(0, 255, 255), QColor(20, 40, 36),
     QColor(214, 232, 222), QColor(184, 208, 196), QColor(30, 56, 52),
     QColor(242, 250, 244), QColor(232, 244, 236),
     QColor(236, 246, 240), QColor(200, 222, 212), QColor(14, 30, 28),
     QColor(86, 130, 120), QColor(52, 92, 84), QColor(14, 30, 28), QColor(240, 250, 230), KeyShape::Round,
     QColor(16, 44, 40), QColor(12, 36, 60), QColor(16, 44, 40), QColor(16, 44, 40),
     {58, 14}, {58, 114}, {14, 4}, {8, 54}, {8, 76}, {14, 28}, {14, 98}, {14, 122},
     nullptr, {0, 0}, 0, QColor(), Sidebar},
    {"ledger", "ledger\\ledger.png", 300, 170, 10, QColor(255, 0, 255), QColor(16, 28, 20),
     QColor(40, 74, 54), QColor(28, 54, 40), QColor(90, 64, 30),
     QColor(252, 248, 232), QColor(246, 240, 220),
     QColor(252, 248, 232), QColor(232, 224, 200), QColor(90, 64, 30),
     QColor(202, 170, 104), QColor(150, 118, 60), QColor(60, 40, 16), QColor(36, 28, 14), KeyShape::Round,
     QColor(24, 70, 44), QColor(120, 28, 24), QColor(60, 40, 16), QColor(60, 40, 16),
     {104, 12}, {104, 102}, {266, 138}, {18, 138}, {56, 138}, {150, 138}, {186, 138}, {222, 138},
     "ledger", {22, 30}, 15, QColor(230, 210, 160), Ruled},
};

QString Description(const Design& d) {
    QString t;
    const auto line = [&](const char* key, int v) { t += QStringLiteral("%1=%2\r\n").arg(QLatin1String(key)).arg(v); };
    t += QStringLiteral("bitmap_file=%1\r\n").arg(QLatin1String(d.bitmap));
    const struct {
        const char* prefix;
        QColor c;
    } colours[] = {{"stack_text_color_", d.stackInk}, {"entry_zone_text_color_", d.entryInk},
                   {"rad_deg_text_color_", d.angleInk}, {"decimal_text_color_", d.decimalInk}};
    for (const auto& c : colours) {
        for (const auto& [suffix, v] : {std::pair{"R", c.c.red()}, std::pair{"G", c.c.green()}, std::pair{"B", c.c.blue()}})
            line((std::string(c.prefix) + suffix).c_str(), v);
    }
    const struct {
        const char* prefix;
        Pos p;
    } places[] = {{"stack", d.stack},          {"entry_zone", d.entry},         {"quit_zone", d.quit},
                  {"rad_deg_zone", d.angle},   {"decimal_zone", d.decimal},     {"ontop_zone", d.onTop},
                  {"large_stack_zone", d.largeStack}, {"commands_zone", d.functions}};
    for (const auto& pl : places) {
        line((std::string(pl.prefix) + "_x").c_str(), pl.p.x);
        line((std::string(pl.prefix) + "_y").c_str(), pl.p.y);
    }
    return t;
}

bool Write(const QImage& img, const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    if (!img.save(path, "PNG")) {
        std::fprintf(stderr, "quorva-skin-art: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

}  // namespace

bool DrawSampleSkins(const QDir& dir) {
    for (const Design& d : kDesigns) {
        const QString bitmap = QString::fromLatin1(d.bitmap).replace(QLatin1Char('\\'), QLatin1Char('/'));
        const QString stem = bitmap.left(bitmap.size() - 4);
        if (!Write(Draw(d, 1), dir.filePath(bitmap)) || !Write(Draw(d, 2), dir.filePath(stem + QStringLiteral("@2x.png"))))
            return false;
        QFile qsd(dir.filePath(QString::fromLatin1(d.name) + QStringLiteral(".qsd")));
        if (!qsd.open(QIODevice::WriteOnly) || qsd.write(Description(d).toLatin1()) < 0) {
            std::fprintf(stderr, "quorva-skin-art: cannot write %s\n", qPrintable(qsd.fileName()));
            return false;
        }
        std::printf("%s\n", qPrintable(qsd.fileName()));
    }
    return true;
}
