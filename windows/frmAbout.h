#pragma once
// The splash shown at every start: the program's artwork and version in the middle of the
// screen for three seconds, then hidden for good.

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <functional>

class QLabel;
class QPainter;

namespace quorva {

class frmAbout : public QWidget {
public:
    explicit frmAbout(double twipsX = 15, double twipsY = 15);

    // Its size in pixels at the screen's twips per pixel.
    static QSize SizeFor(double twipsX, double twipsY);
    // The artwork of a splash of size (pixels) at the pixel ratio dpr, painted without a
    // window, so that a helper thread can paint it while the calculator starts.
    static QImage Artwork(QSize size, qreal dpr);
    // The same artwork as shipped, painted ahead at the usual screen resolution: null where it
    // does not fit (another resolution or pixel ratio), and Artwork paints it instead.
    static QImage ShippedArtwork(QSize size, qreal dpr);
    // Twips per pixel of the usual 96 dpi screen, the resolution of the shipped artwork.
    static constexpr double kShippedTwips = 15;
    // A ready picture of the artwork: the splash copies it instead of painting.
    void SetArtwork(QImage art) { art_ = std::move(art); }

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
    static void PaintArtwork(QPainter& p, QSize size);

    QTimer timer1_;
    QImage art_;
};

}  // namespace quorva
