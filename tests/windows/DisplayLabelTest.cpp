// The stack display keeps its lines' shaped text between paints: whatever it showed before, it
// must paint exactly what a plain label with the same text paints.

#include <QImage>
#include <QLabel>

#include <gtest/gtest.h>

#include "DisplayLabel.h"

namespace quorva {

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
            QFont font(QStringLiteral("Liberation Mono"));
            font.setPointSizeF(step.points);
            label->setFont(font);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(Qt::AlignRight | Qt::AlignTop);
            label->resize(240, 70);
            label->setStyleSheet(QStringLiteral("color: #000080"));
            label->setText(QString::fromLatin1(step.text));
        }
        const QImage shown = display.grab().toImage();
        EXPECT_FALSE(shown.isNull());
        EXPECT_EQ(shown, plain.grab().toImage());
    }
}

}  // namespace quorva
