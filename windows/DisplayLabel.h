#pragma once
// A plain-text label that keeps each line's shaped text from one paint to the next. The stack
// display shows the same lines moved up or down after most keys, and shaping them again was a
// fifth of a key's work. It paints what a right- and top-aligned QLabel paints.

#include <QLabel>
#include <QString>

#include <memory>
#include <unordered_map>

class QTextLayout;

namespace quorva {

class DisplayLabel final : public QLabel {
public:
    explicit DisplayLabel(QWidget* parent);
    ~DisplayLabel() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    std::unordered_map<QString, std::unique_ptr<QTextLayout>> lines_;
    qreal linesDpi_ = 0;
};

}  // namespace quorva
