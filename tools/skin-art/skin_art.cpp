// Draws the built-in skin (default_skin.png, and default_skin@2x.png for screens of two device
// pixels per pixel), the application icons (quorva.png, quorva-32.png and the theme's other
// sizes, quorva-SIZE.png) and the splash's artwork at the usual screen resolution (splash.png,
// drawn by the splash's own code). The pictures are committed; run this by hand after
// changing the drawing:
//   build-x/tools/skin-art/quorva-skin-art resources
// With --preview it writes default_skin_preview.png instead: the skin with sample texts.
// With --skins it draws the sample skins (descriptions and pictures) instead:
//   build-x/tools/skin-art/quorva-skin-art --skins skins
//
// The skin's outline is cut where a pixel has exactly the key colour, so the outline is kept
// binary: every pixel of the body is decided by its centre, the outermost ring is a dark rim,
// and all anti-aliasing happens inside that rim. No pixel next to the key colour is a blend
// with it.

#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "shapes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "frmAbout.h"
#include "sample_skins.h"

namespace {

constexpr int kWidth = 262;
constexpr int kHeight = 188;
const QColor kKey(255, 254, 183);

// The body: every row from 5 to 182 holds exactly one run of opaque pixels.
const QRectF kBody(0, 5, 262, 178);
constexpr double kBodyRadius = 14;

// Label rectangles at the default skin positions (top-left corner, size in pixels).
const QRect kStack(17, 50, 180, 80);
const QRect kEntry(17, 152, 180, 20);
const QRect kQuit(236, 10, 20, 20);
const QRect kAngle(211, 40, 32, 20);
const QRect kDecimal(211, 62, 32, 20);
const QRect kOnTop(216, 10, 20, 20);
const QRect kLargeStack(216, 86, 20, 20);
const QRect kFunctions(216, 113, 20, 20);

const QColor kRim(12, 13, 16);
const QColor kAmber(255, 184, 96);
const QColor kAmberDeep(232, 140, 48);

QFont makeFont(const char* family, double pixelSize, int weight, bool italic = false) {
    QFont f(QString::fromLatin1(family));
    f.setPixelSize(static_cast<int>(std::lround(pixelSize)));
    f.setWeight(static_cast<QFont::Weight>(weight));
    f.setItalic(italic);
    f.setHintingPreference(QFont::PreferFullHinting);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

// A display window: a dark bezel with a pale, slightly warm LCD inside it, light enough for the
// dark label text that lies on top.
void drawScreen(QPainter& p, const QRectF& glass) {
    const QRectF bezel = glass.adjusted(-3, -3, 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(16, 18, 22));
    p.drawPath(quorva::art::Rounded(bezel, 6));
    // the lower lip of the bezel catches light
    p.setPen(QPen(QColor(255, 255, 255, 38), 1));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(bezel.left() + 5, bezel.bottom() + 0.5), QPointF(bezel.right() - 5, bezel.bottom() + 0.5));

    QLinearGradient lcd(glass.topLeft(), glass.bottomLeft());
    lcd.setColorAt(0.0, QColor(214, 224, 204));
    lcd.setColorAt(0.12, QColor(226, 234, 216));
    lcd.setColorAt(1.0, QColor(216, 226, 206));
    p.setPen(Qt::NoPen);
    p.setBrush(lcd);
    p.drawPath(quorva::art::Rounded(glass, 3.5));
    // inner shadow along the top edge: the glass sits below the bezel
    QLinearGradient shade(glass.topLeft(), glass.topLeft() + QPointF(0, 5));
    shade.setColorAt(0.0, QColor(0, 0, 0, 60));
    shade.setColorAt(1.0, QColor(0, 0, 0, 0));
    p.setBrush(shade);
    p.drawPath(quorva::art::Rounded(glass, 3.5));
}

// A round key for the symbol zones; the symbol is drawn by the caller.
void drawRoundKey(QPainter& p, const QRect& zone) {
    const QPointF c = QRectF(zone).center();
    const double r = 9.0;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(10, 11, 14));
    p.drawEllipse(c + QPointF(0, 0.6), r + 0.8, r + 0.8);
    QLinearGradient g(c - QPointF(0, r), c + QPointF(0, r));
    g.setColorAt(0.0, QColor(84, 90, 101));
    g.setColorAt(0.5, QColor(55, 60, 69));
    g.setColorAt(1.0, QColor(38, 42, 49));
    p.setBrush(g);
    p.drawEllipse(c, r, r);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 45), 1));
    p.drawArc(QRectF(c.x() - r + 0.5, c.y() - r + 0.5, 2 * r - 1, 2 * r - 1), 30 * 16, 120 * 16);
}

// A pale pill for the two zones that show a caption (angle mode, decimal places). The caption
// sits at the top of its label, so the pill is centred on the text, not on the label.
void drawPillKey(QPainter& p, const QRect& zone) {
    const QRectF k(zone.left() + 1, zone.top() - 2, zone.width() - 2, 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(10, 11, 14));
    p.drawPath(quorva::art::Rounded(k.adjusted(-0.8, -0.8, 0.8, 1.4), 8));
    QLinearGradient g(k.topLeft(), k.bottomLeft());
    g.setColorAt(0.0, QColor(250, 246, 236));
    g.setColorAt(1.0, QColor(222, 216, 202));
    p.setBrush(g);
    p.drawPath(quorva::art::Rounded(k, 7.5));
    p.setPen(QPen(QColor(255, 255, 255, 200), 1));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(k.left() + 6, k.top() + 0.8), QPointF(k.right() - 6, k.top() + 0.8));
}

void drawHideSymbol(QPainter& p, const QRect& zone) {
    const QPointF c = QRectF(zone).center();
    p.fillRect(QRectF(c.x() - 4, c.y() + 3, 8, 2), kAmber);
}

// Upright and on whole pixels: at this size a tilted pin blurs into a blob.
void drawPinSymbol(QPainter& p, const QRect& zone) {
    const double cx = QRectF(zone).center().x(), top = zone.top() + 3;
    p.setPen(Qt::NoPen);
    p.setBrush(kAmber);
    p.drawRect(QRectF(cx - 3, top, 6, 2));        // head
    p.drawRect(QRectF(cx - 2, top + 2, 4, 4));    // barrel
    p.drawRect(QRectF(cx - 4, top + 6, 8, 2));    // collar
    p.setBrush(kAmberDeep);
    p.drawRect(QRectF(cx - 1, top + 8, 2, 4));    // needle
}

void drawListSymbol(QPainter& p, const QRect& zone) {
    const QPointF c = QRectF(zone).center();
    p.setPen(QPen(kAmber, 1.6, Qt::SolidLine, Qt::RoundCap));
    for (int i = -1; i <= 1; ++i) {
        const double y = c.y() + 3.4 * i;
        p.drawLine(QPointF(c.x() - 1.5, y), QPointF(c.x() + 4.5, y));
        p.drawPoint(QPointF(c.x() - 4.3, y));
    }
}

void drawFunctionSymbol(QPainter& p, const QRect& zone) {
    p.setPen(kAmber);
    p.setFont(makeFont("Liberation Serif", 12, QFont::Bold, true));
    p.drawText(QRectF(zone).adjusted(-1, -1, -1, -1), Qt::AlignCenter, QStringLiteral("f"));
}

// scale 2 draws the picture for screens of two device pixels per pixel, with the outline of
// the usual one.
QImage drawSkin(int scale = 1) {
    QImage face(kWidth * scale, kHeight * scale, QImage::Format_ARGB32_Premultiplied);
    face.fill(Qt::transparent);
    {
        QPainter p(&face);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.scale(scale, scale);

        // graphite body, lit from above
        QLinearGradient body(0, kBody.top(), 0, kBody.bottom());
        body.setColorAt(0.0, QColor(74, 80, 90));
        body.setColorAt(0.25, QColor(58, 63, 72));
        body.setColorAt(1.0, QColor(36, 39, 45));
        p.fillRect(face.rect(), body);
        // a faint sheen across the upper half
        QRadialGradient sheen(QPointF(70, -40), 190);
        sheen.setColorAt(0.0, QColor(255, 255, 255, 30));
        sheen.setColorAt(1.0, QColor(255, 255, 255, 0));
        p.fillRect(face.rect(), sheen);
        // a bevel just inside the rim: light at the top, darker at the bottom
        quorva::art::DrawBevel(p, kBody, kBodyRadius, {0.15, 70, 14, 20, 80});

        // name plate
        p.setPen(kAmber);
        p.setFont(makeFont("Liberation Sans", 17, QFont::Bold));
        p.drawText(QPointF(14, 31), QStringLiteral("quorva"));
        p.setPen(QColor(150, 157, 168));
        QFont small = makeFont("Liberation Sans", 8, QFont::Bold);
        small.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
        p.setFont(small);
        p.drawText(QPointF(80, 30), QStringLiteral("RPN CALCULATOR"));

        // the two displays
        drawScreen(p, QRectF(kStack).adjusted(-4, -4, 4, 1));  // five lines fill 75 of its 80 pixels
        // the entry text sits at the top of its 20-pixel label
        drawScreen(p, QRectF(kEntry).adjusted(-4, -4, 4, 0));
        // a prompt mark at the start of the entry line
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(120, 132, 112));
        QPolygonF prompt;
        prompt << QPointF(13.5, 156.5) << QPointF(16.5, 159.5) << QPointF(13.5, 162.5);
        p.drawPolygon(prompt);

        // zones
        drawRoundKey(p, kOnTop);
        drawPinSymbol(p, kOnTop);
        drawRoundKey(p, kQuit);
        drawHideSymbol(p, kQuit);
        drawPillKey(p, kAngle);
        drawPillKey(p, kDecimal);
        drawRoundKey(p, kLargeStack);
        drawListSymbol(p, kLargeStack);
        drawRoundKey(p, kFunctions);
        drawFunctionSymbol(p, kFunctions);

        // grille: three slots below the keys
        for (int i = 0; i < 3; ++i) {
            const double y = 150 + 7 * i;
            p.setPen(QPen(QColor(14, 15, 19), 2.0, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(215, y), QPointF(237, y));
            p.setPen(QPen(QColor(255, 255, 255, 30), 1.0, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(215, y + 1.6), QPointF(237, y + 1.6));
        }

        // Cut the face to just inside the rim, anti-aliased against the rim. The cut is drawn as
        // a whole image: composing with the path alone would leave the pixels outside it.
        QImage cut(face.size(), QImage::Format_ARGB32_Premultiplied);
        cut.fill(Qt::transparent);
        {
            QPainter c(&cut);
            c.setRenderHint(QPainter::Antialiasing);
            c.scale(scale, scale);
            c.setPen(Qt::NoPen);
            c.setBrush(Qt::black);
            c.drawPath(quorva::art::Rounded(kBody.adjusted(1, 1, -1, -1), kBodyRadius - 1));
        }
        p.resetTransform();
        p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        p.drawImage(0, 0, cut);
    }

    const int w = kWidth * scale, h = kHeight * scale;
    const auto inside = [&](int x, int y) {
        return quorva::art::InsideRounded(x / scale + 0.5, y / scale + 0.5, kBody, kBodyRadius);
    };
    QImage out(w, h, QImage::Format_RGB32);
    out.fill(kKey);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (inside(x, y)) out.setPixelColor(x, y, kRim);
    {
        QPainter p(&out);
        p.drawImage(0, 0, face);
    }
    // Whatever the painter did, the outline is decided by pixel centres alone.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (!inside(x, y)) out.setPixelColor(x, y, kKey);
            else if (out.pixelColor(x, y) == kKey) out.setPixelColor(x, y, QColor(254, 254, 183));
    return out;
}

// The application icon: a graphite calculator face with a pale display of stacked numbers and
// an amber Enter key. The small one is drawn for its size rather than scaled down.
QImage drawIcon(int size) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const double s = size / 256.0;
    const bool small = size < 64;

    const QRectF outer(8 * s, 8 * s, 240 * s, 240 * s);
    const double radius = (small ? 52 : 44) * s;
    p.setPen(Qt::NoPen);
    p.setBrush(kRim);
    p.drawPath(quorva::art::Rounded(outer, radius));
    const QRectF inner = outer.adjusted(std::max(1.0, 4 * s), std::max(1.0, 4 * s), -std::max(1.0, 4 * s),
                                        -std::max(1.0, 4 * s));
    QLinearGradient body(inner.topLeft(), inner.bottomLeft());
    body.setColorAt(0.0, QColor(82, 88, 99));
    body.setColorAt(0.3, QColor(60, 65, 74));
    body.setColorAt(1.0, QColor(34, 37, 43));
    p.setBrush(body);
    p.drawPath(quorva::art::Rounded(inner, radius - 4 * s));

    // display
    const QRectF glass = small ? QRectF(4, 5, 24, 13) : QRectF(38, 40, 180, 110);
    p.setBrush(QColor(14, 16, 20));
    p.drawPath(quorva::art::Rounded(glass.adjusted(-1.5 - 3 * s, -1.5 - 3 * s, 1.5 + 3 * s, 1.5 + 3 * s), small ? 2.5 : 14));
    QLinearGradient lcd(glass.topLeft(), glass.bottomLeft());
    lcd.setColorAt(0.0, QColor(210, 221, 200));
    lcd.setColorAt(0.2, QColor(228, 236, 218));
    lcd.setColorAt(1.0, QColor(214, 224, 204));
    p.setBrush(lcd);
    p.drawPath(quorva::art::Rounded(glass, small ? 1.5 : 10));

    const QColor ink(28, 40, 70);
    if (small) {
        // three right-aligned stack lines, the top of the stack darkest
        p.setBrush(QColor(ink.red(), ink.green(), ink.blue(), 110));
        p.drawRect(QRectF(16, 7, 10, 2));
        p.drawRect(QRectF(19, 10.5, 7, 2));
        p.setBrush(ink);
        p.drawRect(QRectF(12, 14, 14, 2.5));
    } else {
        QFont mono = makeFont("Liberation Mono", 30, QFont::Normal);
        p.setFont(mono);
        p.setPen(QColor(ink.red(), ink.green(), ink.blue(), 120));
        const QRectF lines = glass.adjusted(12, 8, -14, -8);
        p.drawText(QRectF(lines.left(), lines.top(), lines.width(), 32), Qt::AlignRight | Qt::AlignVCenter,
                   QStringLiteral("42"));
        p.drawText(QRectF(lines.left(), lines.top() + 31, lines.width(), 32), Qt::AlignRight | Qt::AlignVCenter,
                   QStringLiteral("7"));
        mono.setWeight(QFont::Bold);
        p.setFont(mono);
        p.setPen(ink);
        p.drawText(QRectF(lines.left(), lines.top() + 62, lines.width(), 32), Qt::AlignRight | Qt::AlignVCenter,
                   QStringLiteral("3.14"));
    }

    // keys: two dark round keys and the amber Enter key
    const double keyY = small ? 24 : 196;
    const double keyR = small ? 3.2 : 22;
    const std::array<double, 2> keyXs = small ? std::array<double, 2>{8.5, 16} : std::array<double, 2>{62, 120};
    for (const double kx : keyXs) {
        QLinearGradient g(QPointF(kx, keyY - keyR), QPointF(kx, keyY + keyR));
        g.setColorAt(0.0, QColor(96, 103, 115));
        g.setColorAt(1.0, QColor(40, 44, 51));
        p.setPen(Qt::NoPen);
        p.setBrush(kRim);
        p.drawEllipse(QPointF(kx, keyY + (small ? 0.4 : 2)), keyR + (small ? 0.6 : 3), keyR + (small ? 0.6 : 3));
        p.setBrush(g);
        p.drawEllipse(QPointF(kx, keyY), keyR, keyR);
    }
    const QRectF enter = small ? QRectF(20.5, keyY - keyR, 8, 2 * keyR) : QRectF(152, keyY - keyR, 56, 2 * keyR);
    p.setBrush(kRim);
    p.drawPath(quorva::art::Rounded(enter.adjusted(small ? -0.6 : -3, small ? -0.6 : -3, small ? 0.6 : 3, small ? 1 : 5),
                           small ? 3.6 : 25));
    QLinearGradient amber(enter.topLeft(), enter.bottomLeft());
    amber.setColorAt(0.0, QColor(255, 206, 130));
    amber.setColorAt(1.0, kAmberDeep);
    p.setBrush(amber);
    p.drawPath(quorva::art::Rounded(enter, small ? 3.2 : 22));
    if (!small) {
        // the Enter arrow
        p.setPen(QPen(QColor(60, 36, 10), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        const QPointF c = enter.center();
        QPainterPath arrow;
        arrow.moveTo(c + QPointF(12, -9));
        arrow.lineTo(c + QPointF(12, 4));
        arrow.lineTo(c + QPointF(-11, 4));
        p.drawPath(arrow);
        QPainterPath head;
        head.moveTo(c + QPointF(-4, -3));
        head.lineTo(c + QPointF(-11, 4));
        head.lineTo(c + QPointF(-4, 11));
        p.drawPath(head);
    }
    return img;
}

// The theme's other icon sizes, smoothed down from the nearest drawing at or above them.
QImage drawIconScaled(int size) {
    return drawIcon(size > 32 ? 256 : 32).scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// The skin with sample label texts where the program shows them, to judge the picture by.
QImage drawPreview(const QImage& skin) {
    QImage img = skin.convertToFormat(QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QColor ink(0, 0, 0);
    p.setPen(ink);
    QFont mono = makeFont("Liberation Mono", 13, QFont::Normal);
    p.setFont(mono);
    const QStringList stack{QStringLiteral("1"), QStringLiteral("-273.15"), QStringLiteral("&FF"),
                            QStringLiteral("'101101"), QStringLiteral("0.333333333333333")};
    const int lineHeight = QFontMetrics(mono).lineSpacing();
    for (int i = 0; i < 5; ++i)
        p.drawText(QRect(kStack.left(), kStack.top() + i * lineHeight, kStack.width(), lineHeight), Qt::AlignRight,
                   stack[i]);
    mono.setWeight(QFont::Bold);
    p.setFont(mono);
    // the program's labels put their text at the top
    p.drawText(kEntry, Qt::AlignRight | Qt::AlignTop, QStringLiteral("42.5"));
    p.setFont(makeFont("Liberation Sans", 11, QFont::Bold));
    p.drawText(kAngle, Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("rad"));
    p.drawText(kDecimal, Qt::AlignHCenter | Qt::AlignTop, QStringLiteral(".15"));
    return img;
}

bool save(const QImage& img, const QDir& dir, const char* name) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    if (!img.save(path, "PNG")) {
        std::fprintf(stderr, "quorva-skin-art: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// The splash's artwork, drawn by the splash itself at the resolution it is shipped for.
QImage drawSplash() {
    using quorva::frmAbout;
    return frmAbout::Artwork(frmAbout::SizeFor(frmAbout::kShippedTwips, frmAbout::kShippedTwips), 1.0);
}

}  // namespace

constexpr int kScaledIcons[] = {16, 22, 24, 48, 64, 128};

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const bool preview = argc == 3 && qstrcmp(argv[1], "--preview") == 0;
    const bool samples = argc == 3 && qstrcmp(argv[1], "--skins") == 0;
    if (argc != 2 && !preview && !samples) {
        std::fprintf(stderr, "usage: quorva-skin-art [--preview | --skins] OUTPUT_FOLDER\n");
        return 2;
    }
    for (const char* family : {"Liberation Sans", "Liberation Mono", "Liberation Serif"}) {
        if (!QFontDatabase::families().contains(QString::fromLatin1(family)))
            std::fprintf(stderr, "quorva-skin-art: font %s missing (fonts-liberation); the output will differ\n",
                         family);
    }
    const QDir dir(QString::fromLocal8Bit(argv[argc - 1]));
    if (samples) return DrawSampleSkins(dir) ? EXIT_SUCCESS : EXIT_FAILURE;
    if (preview) return save(drawPreview(drawSkin()), dir, "default_skin_preview.png") ? EXIT_SUCCESS : EXIT_FAILURE;
    const bool ok = save(drawSkin(), dir, "default_skin.png") &&
                    save(drawSkin(2), dir, "default_skin@2x.png") && save(drawIcon(256), dir, "quorva.png") &&
                    save(drawIcon(32), dir, "quorva-32.png") &&
                    std::all_of(std::begin(kScaledIcons), std::end(kScaledIcons), [&](int size) {
                        return save(drawIconScaled(size), dir, ("quorva-" + std::to_string(size) + ".png").c_str());
                    }) &&
                    save(drawSplash(), dir, "splash.png");
    return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}
