#pragma once
// A plain-text label that keeps each line's shaped text from one paint to the next. The stack
// display shows the same lines moved up or down after most keys, and shaping them again was a
// fifth of a key's work. It paints what a right- and top-aligned QLabel paints.

#include <QLabel>
#include <QPixmap>
#include <QString>

#include <memory>
#include <unordered_map>

class QPainter;
class QTextLayout;

namespace quorva {

class DisplayLabel final : public QLabel {
public:
    explicit DisplayLabel(QWidget* parent);
    ~DisplayLabel() override;

    // The picture the label lies on, placed at its parent's corner. An opaque one is painted
    // under the text, so that nothing below the label is painted again when its text changes:
    // under a display, that was a slow paint of the picture through a clip of several pieces.
    void SetBackdrop(const QPixmap& picture);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void PaintBackdrop(QPainter& painter) const;

    QPixmap backdrop_;
    std::unordered_map<QString, std::unique_ptr<QTextLayout>> lines_;
    qreal linesDpi_ = 0;
};

// The skin picture under the displays. They leave it updates of several rectangles, which it
// paints one at a time: through a clip of several pieces the raster engine blends pixel by
// pixel, where for one rectangle it copies rows.
class PictureLabel final : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace quorva
