#include "frmAbout.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include <algorithm>
#include <cmath>

#include "FirstPaint.h"
#include "Pictures.h"
#include "Trace.h"

namespace quorva {

namespace {

const QColor kInk(0x1B, 0x22, 0x33);      // the skin's dark face
const QColor kOrange(0xF2, 0xA0, 0x3D);   // the skin's name plate
const QColor kGrey(0x40, 0x40, 0x40);     // &H404040
const QColor kLightGrey(0x9A, 0xA0, 0xAA);

// The faces and sizes of the calculator's own labels where the picture allows, so that the
// splash loads only the face of its title; every glyph drawn is in these faces, so no other
// face is looked for.
QFont Font(const char* family, double points, bool bold) {
    QFont f(QString::fromLatin1(family));
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setStyleStrategy(QFont::NoFontMerging);
    return f;
}

// The Enter key's bent arrow, drawn: the faces at hand have no glyph for it.
void ReturnArrow(QPainter& p, const QRectF& box, const QColor& colour) {
    const qreal w = box.width(), h = box.height();
    QPainterPath stem;
    stem.moveTo(box.left() + w * 0.85, box.top() + h * 0.15);
    stem.lineTo(box.left() + w * 0.85, box.top() + h * 0.62);
    stem.lineTo(box.left() + w * 0.25, box.top() + h * 0.62);
    p.save();
    p.setPen(QPen(colour, std::max<qreal>(1.2, h * 0.12), Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(stem);
    QPainterPath head;
    head.moveTo(box.left() + w * 0.08, box.top() + h * 0.62);
    head.lineTo(box.left() + w * 0.34, box.top() + h * 0.38);
    head.lineTo(box.left() + w * 0.34, box.top() + h * 0.86);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(head);
    p.restore();
}

// A calculator key drawn as the skin draws its buttons; no text: the Enter key.
void Key(QPainter& p, const QRectF& r, const QString& text, bool accent) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, accent ? kOrange.lighter(115) : QColor(0x4A, 0x52, 0x63));
    g.setColorAt(1, accent ? kOrange.darker(110) : QColor(0x2A, 0x30, 0x3C));
    p.setPen(QPen(QColor(0x12, 0x16, 0x20), 1));
    p.setBrush(g);
    p.drawRoundedRect(r, 4, 4);
    const QColor ink = accent ? kInk : QColor(0xEE, 0xEE, 0xEE);
    if (text.isEmpty()) {
        const qreal side = std::min(r.width(), r.height()) * 0.6;
        ReturnArrow(p, QRectF(r.center() - QPointF(side / 2, side / 2), QSizeF(side, side)), ink);
        return;
    }
    p.setPen(ink);
    p.setFont(Font("Arial", 8.25, true));
    p.drawText(r, Qt::AlignCenter, text);
}

}  // namespace

frmAbout::frmAbout(double twipsX, double twipsY)
    // Past the window manager: a splash wants no frame, focus or place in the task list, and
    // mapped directly it is on screen without a round trip through the manager.
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::X11BypassWindowManagerHint),
      lblVersion(new QLabel(QStringLiteral("version"), this)) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("Quorva"));
    setAccessibleName(QStringLiteral("Quorva splash"));  // not to be taken for the calculator
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(SizeFor(twipsX, twipsY));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);

    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setFont(Font("Arial", 12, true));
    QPalette lp = lblVersion->palette();
    lp.setColor(QPalette::WindowText, kGrey);
    lblVersion->setPalette(lp);
    lblVersion->setAlignment(Qt::AlignCenter);
    lblVersion->setGeometry(width() * 40 / 100, height() * 60 / 100, width() * 56 / 100, 24);

    timer1_.setObjectName(QStringLiteral("Timer1"));
    timer1_.setSingleShot(true);
    timer1_.setInterval(3000);
    QObject::connect(&timer1_, &QTimer::timeout, this, [this] { Timer1_Timer(); });
    timer1_.start();  // counts from the load, not from the show
}

void frmAbout::ShowCentred(const QScreen* screen) {
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    // Its own updates from being built are still queued; done now, they are part of the first
    // picture instead of a second one right after it.
    QCoreApplication::sendPostedEvents(lblVersion);
    QCoreApplication::sendPostedEvents(this);
    raise();
}

void frmAbout::Timer1_Timer() {
    timer1_.stop();
    hide();
}

QSize frmAbout::SizeFor(double twipsX, double twipsY) {
    return {static_cast<int>(std::lround(6195 / twipsX)), static_cast<int>(std::lround(3405 / twipsY))};
}

QImage frmAbout::Artwork(QSize size, qreal dpr) {
    QImage art(size * dpr, QImage::Format_RGB32);
    art.setDevicePixelRatio(dpr);
    art.fill(Qt::white);
    QPainter p(&art);
    PaintArtwork(p, size);
    return art;
}

QImage frmAbout::ShippedArtwork(QSize size, qreal dpr) {
    // Where it cannot fit, the picture is not even read: the splash paints its own.
    if (dpr != 1.0 || size != SizeFor(kShippedTwips, kShippedTwips)) return {};
    const QImage art = platform::LoadPicture(QStringLiteral(":/splash.png"));
    return art.size() == size ? art : QImage();
}

void frmAbout::paintEvent(QPaintEvent*) {
    if (firstPainted) trace::Mark("splash paint");  // the first one only
    TellFirstPaint(this, firstPainted);
    QPainter p(this);
    if (!art_.isNull() && art_.deviceIndependentSize().toSize() == size() &&
        qFuzzyCompare(art_.devicePixelRatio(), devicePixelRatioF())) {
        p.drawImage(0, 0, art_);
        // Once on screen it is not needed: a later expose paints the artwork again.
        art_ = QImage();
        return;
    }
    PaintArtwork(p, size());
}

void frmAbout::PaintArtwork(QPainter& p, QSize size) {
    const qreal w = size.width(), h = size.height();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF all = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(0.5, 0.5, -0.5, -0.5);

    // Shape1 and Shape2: a dark frame and a thin inner rule.
    p.setPen(QPen(kInk, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(all);
    p.setPen(QPen(kLightGrey, 1));
    p.drawRoundedRect(all.adjusted(5, 5, -5, -5), 6, 6);

    // Image2: the calculator itself, as the icon shows it.
    const qreal side = h * 0.56;
    const QRectF body(w * 0.07, (h - side) / 2 - 6, side * 0.86, side);
    QLinearGradient face(body.topLeft(), body.bottomLeft());
    face.setColorAt(0, QColor(0x3A, 0x42, 0x52));
    face.setColorAt(1, kInk);
    p.setPen(QPen(QColor(0x0E, 0x12, 0x1A), 1.5));
    p.setBrush(face);
    p.drawRoundedRect(body, 12, 12);
    const QRectF screenRect = body.adjusted(10, 12, -10, -body.height() * 0.45);
    p.setPen(QPen(QColor(0x10, 0x14, 0x1C), 1));
    p.setBrush(QColor(0xDD, 0xE4, 0xD2));
    p.drawRoundedRect(screenRect, 4, 4);
    p.setFont(Font("Courier New", 9.75, true));
    p.setPen(QColor(0x80, 0x86, 0x80));
    const QRectF lines = screenRect.adjusted(4, 2, -5, -2);
    p.drawText(lines, Qt::AlignRight | Qt::AlignTop, QStringLiteral("12"));
    p.setPen(QColor(0x00, 0x00, 0x80));
    p.drawText(lines, Qt::AlignRight | Qt::AlignBottom, QStringLiteral("3.14"));
    const qreal keyW = (body.width() - 20 - 8) / 3;
    const qreal keyY = screenRect.bottom() + 10;
    const qreal keyH = body.bottom() - 10 - keyY;
    Key(p, QRectF(body.left() + 10, keyY, keyW, keyH), QStringLiteral("x"), false);
    Key(p, QRectF(body.left() + 14 + keyW, keyY, keyW, keyH), QStringLiteral("y"), false);
    Key(p, QRectF(body.left() + 18 + 2 * keyW, keyY, keyW, keyH), QString(), true);

    // The name, with the orange rule of the skin's name plate (Image3).
    const qreal textLeft = w * 0.40;
    const QRectF nameBox(textLeft, h * 0.16, w * 0.56, h * 0.26);
    p.setFont(Font("Arial", 30, true));
    p.setPen(kInk);
    p.drawText(nameBox, Qt::AlignHCenter | Qt::AlignBottom, QStringLiteral("quorva"));
    p.setPen(Qt::NoPen);
    p.setBrush(kOrange);
    p.drawRoundedRect(QRectF(nameBox.center().x() - 60, nameBox.bottom() + 4, 120, 4), 2, 2);
    QFont small = Font("Arial", 8.25, true);
    small.setLetterSpacing(QFont::AbsoluteSpacing, 2.5);
    p.setFont(small);
    p.setPen(kLightGrey.darker(130));
    p.drawText(QRectF(textLeft, nameBox.bottom() + 12, nameBox.width(), 16), Qt::AlignHCenter,
               QStringLiteral("RPN CALCULATOR"));

    // Picture1, lower right: the idea in one line, "3 <Enter> 4 + -> 7".
    const QFont mono = Font("Courier New", 9.75, false);
    p.setFont(mono);
    const QColor grey = kLightGrey.darker(150);
    p.setPen(grey);
    const QFontMetricsF fm(mono);
    const QString before = QStringLiteral("3 "), after = QStringLiteral(" 4 + \u2192 7");
    const qreal arrowW = fm.horizontalAdvance(QLatin1Char('M'));
    const qreal lineW = fm.horizontalAdvance(before) + arrowW + fm.horizontalAdvance(after);
    const QRectF line(textLeft + (nameBox.width() - lineW) / 2, h - 40, lineW, fm.height());
    p.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, before);
    const qreal arrowX = line.left() + fm.horizontalAdvance(before);
    ReturnArrow(p, QRectF(arrowX, line.center().y() - arrowW / 2, arrowW, arrowW), grey);
    p.drawText(QRectF(arrowX + arrowW, line.top(), line.width(), line.height()), Qt::AlignLeft | Qt::AlignVCenter,
               after);
}

}  // namespace quorva
