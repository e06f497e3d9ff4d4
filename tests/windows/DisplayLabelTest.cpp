// The stack display keeps its lines' shaped text between paints: whatever it showed before, it
// must paint exactly what a plain label with the same text paints. On the skin picture, it and
// the picture must together paint what a plain label over a plain picture label paints, for any
// part of the window updated.

#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QRegion>

#include <gtest/gtest.h>

#include "DisplayLabel.h"

namespace quorva {
namespace {

// Dressed as the calculator dresses its displays, showing text.
void Show(QLabel& label, double points, Qt::Alignment align, const char* text) {
    QFont font(QStringLiteral("Liberation Mono"));
    font.setPointSizeF(points);
    label.setFont(font);
    label.setTextFormat(Qt::PlainText);
    label.setAlignment(align);
    label.setStyleSheet(QStringLiteral("color: #000080"));
    label.setText(QString::fromLatin1(text));
}

}  // namespace

TEST(DisplayLabel, PaintsWhatAPlainLabelPaintsWhateverCameBefore) {
    QWidget parent;
    DisplayLabel display(&parent);
    QLabel plain(&parent);
    const struct {
        double points;
        const char* text;
    } steps[] = {
        {9.75, " \n \n \n \n \n"},
        {9.75, "6\n7\n42.000000000000000"},
        {9.75, "6\n7\n42.000000000000000\n42.000000000000000"},  // Enter: the same lines, one up
        {8.0, "6\n7\n42.000000000000000\n42.000000000000000"},  // a smaller face: nothing kept
        {9.75, "\n\n  1.5 \n&FF\n-0.25 "},  // the spaces before a line's end count
        {9.75, "123456789012345678901234567890123456789012345678901234567890\n1"},
        {9.75, "1\n2\n3\n4\n5\n6\n7\n8\n9"},  // more lines than fit
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.text);
        for (QLabel* label : {static_cast<QLabel*>(&display), &plain}) {
            label->resize(240, 70);
            Show(*label, step.points, Qt::AlignRight | Qt::AlignTop, step.text);
        }
        const QImage shown = display.grab().toImage();
        EXPECT_FALSE(shown.isNull());
        EXPECT_EQ(shown, plain.grab().toImage());
    }
}

TEST(DisplayLabel, OnTheSkinPictureLooksAsAPlainLabelOverAPlainPicture) {
    const qreal ratio = qApp->devicePixelRatio();
    QImage art(QSize(120, 90) * ratio, QImage::Format_RGB32);
    for (int y = 0; y < art.height(); ++y)
        for (int x = 0; x < art.width(); ++x) art.setPixel(x, y, qRgb(x * 7 % 256, y * 13 % 256, (x ^ y) % 256));
    QPixmap picture = QPixmap::fromImage(art);
    picture.setDevicePixelRatio(ratio);

    QWidget fast, plain;
    PictureLabel fastPicture(&fast);
    QLabel plainPicture(&plain);
    DisplayLabel display(&fast);
    QLabel label(&plain);
    for (QLabel* p : {static_cast<QLabel*>(&fastPicture), &plainPicture}) {
        p->setPixmap(picture);
        p->resize(120, 90);
    }
    display.SetBackdrop(picture);
    for (QWidget* w : {&fast, &plain}) w->resize(120, 90);
    const struct {
        const char* text;
        Qt::Alignment align;
        QRegion updated;
    } rows[] = {
        {"6\n42.5", Qt::AlignRight | Qt::AlignTop, QRegion(0, 0, 120, 90)},
        {"6\n42.5", Qt::AlignRight | Qt::AlignTop, QRegion(20, 20, 50, 10) + QRegion(5, 70, 100, 12)},
        {" \n \n ", Qt::AlignRight | Qt::AlignTop, QRegion(0, 0, 120, 90)},  // blanks: the picture still
        {"&FF", Qt::AlignCenter, QRegion(10, 10, 30, 60) + QRegion(60, 0, 60, 90)},  // a plain label's paint
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        for (QLabel* l : {static_cast<QLabel*>(&display), &label}) {
            l->setGeometry(13, 17, 80, 40);
            Show(*l, 9.75, row.align, row.text);
        }
        QImage shown[2];
        for (int i = 0; i < 2; ++i) {
            shown[i] = QImage(QSize(120, 90) * ratio, QImage::Format_RGB32);
            shown[i].setDevicePixelRatio(ratio);
            shown[i].fill(Qt::magenta);
            (i == 0 ? fast : plain).render(&shown[i], QPoint(), row.updated);
        }
        EXPECT_EQ(shown[0], shown[1]);
    }
}

}  // namespace quorva
