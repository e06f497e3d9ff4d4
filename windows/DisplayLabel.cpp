#include "DisplayLabel.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace quorva {
namespace {

// Draws the part of picture at from (in pixels, whatever its device pixels per pixel) into target.
void DrawPart(QPainter& painter, const QPixmap& picture, const QRect& target, QPoint from) {
    const qreal ratio = picture.devicePixelRatio();
    painter.drawPixmap(QRectF(target), picture, QRectF(QPointF(from) * ratio, QSizeF(target.size()) * ratio));
}

}  // namespace

DisplayLabel::DisplayLabel(QWidget* parent) : QLabel(parent) {}

DisplayLabel::~DisplayLabel() = default;

void DisplayLabel::SetBackdrop(const QPixmap& picture) {
    const bool opaque = !picture.isNull() && !picture.hasAlphaChannel();
    backdrop_ = opaque ? picture : QPixmap();
    setAttribute(Qt::WA_OpaquePaintEvent, opaque);
    update();
}

void DisplayLabel::PaintBackdrop(QPainter& painter) const {
    if (!backdrop_.isNull()) DrawPart(painter, backdrop_, rect(), pos());
}

void DisplayLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) lines_.clear();
    QLabel::changeEvent(event);
}

void DisplayLabel::paintEvent(QPaintEvent* event) {
    // Anything but the displays' own setting is left to the label.
    if (textFormat() != Qt::PlainText || alignment() != (Qt::AlignRight | Qt::AlignTop) ||
        wordWrap() || frameWidth() != 0 || margin() != 0 || indent() > 0 ||
        layoutDirection() != Qt::LeftToRight) {
        if (!backdrop_.isNull()) {
            QPainter painter(this);
            PaintBackdrop(painter);
        }
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    PaintBackdrop(painter);
    const QString all = text();
    // Nothing but blanks, as at the start: the face is not loaded before there is something to
    // show.
    if (std::all_of(all.cbegin(), all.cend(), [](QChar c) { return c.isSpace(); })) return;
    const QRect r = contentsRect();
    painter.setClipRect(r, Qt::IntersectClip);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                   foregroundRole()));
    const QFont shown(font(), this);
    if (logicalDpiY() != linesDpi_) {
        lines_.clear();
        linesDpi_ = logicalDpiY();
    }

    // The lines as QPainter::drawText places them: on whole pixels, a leading apart, each
    // ending at the right edge.
    std::unordered_map<QString, std::unique_ptr<QTextLayout>> drawn;
    const qreal leading = QFontMetricsF(shown).leading();
    qreal y = -leading;
    for (qsizetype from = 0; from <= all.size() && y < r.height();) {
        qsizetype end = all.indexOf(QLatin1Char('\n'), from);
        if (end < 0) end = all.size();
        // A line keeps its separator: the spaces before one count as text, at the end they do not.
        QString line = all.mid(from, end - from);
        if (end < all.size()) line += QChar::LineSeparator;
        from = end + 1;

        auto found = drawn.find(line);
        if (found == drawn.end()) {
            auto kept = lines_.find(line);
            std::unique_ptr<QTextLayout> layout;
            if (kept != lines_.end()) {
                layout = std::move(kept->second);
                lines_.erase(kept);
            } else {
                layout = std::make_unique<QTextLayout>(line, shown, this);
                layout->setCacheEnabled(true);
                layout->beginLayout();
                layout->createLine().setLineWidth(0x01000000);
                layout->endLayout();
            }
            found = drawn.emplace(line, std::move(layout)).first;
        }
        const QTextLine laid = found->second->lineAt(0);
        y = std::ceil(y + leading);
        laid.draw(&painter, QPointF(r.x() + r.width() - laid.horizontalAdvance(), r.y() + y));
        y += laid.ascent() + laid.descent();
    }
    lines_ = std::move(drawn);
}

void PictureLabel::paintEvent(QPaintEvent* event) {
    const QPixmap picture = pixmap();
    const QRect r = contentsRect();
    if (picture.isNull() || picture.deviceIndependentSize() != QSizeF(r.size())) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    for (const QRect& piece : event->region()) {
        const QRect part = piece & r;
        painter.setClipRect(part);
        DrawPart(painter, picture, part, part.topLeft() - r.topLeft());
    }
}

}  // namespace quorva
