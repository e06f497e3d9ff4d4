#pragma once
// The splash shown at every start: the program's artwork and version in the middle of the
// screen for three seconds, then hidden for good.

#include <QTimer>
#include <QWidget>

#include <functional>

class QLabel;

namespace quorva {

class frmAbout : public QWidget {
public:
    explicit frmAbout(double twipsX = 15, double twipsY = 15);

    QLabel* const lblVersion;
    const QTimer& Timer1() const { return timer1_; }

    // Centred on the screen the main window is on (or the primary one).
    void ShowCentred(const QScreen* screen);
    void Timer1_Timer();

    // Runs once, soon after the splash was first painted.
    std::function<void()> firstPainted;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer timer1_;
};

}  // namespace quorva
