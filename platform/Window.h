#pragma once
// What the calculator asks of its windows beyond Qt's plain ones: staying on top, translucency,
// the outline cut from the skin picture and moving a frameless window. Effects this desktop
// cannot give are told once on stderr.

#include <QPoint>
#include <QRegion>
#include <vector>

#include "SkinRegion.h"

class QImage;
class QWidget;

namespace quorva::platform {

// Before the QApplication exists: a Wayland session runs us through XWayland unless the user
// chose a platform, since a Wayland client cannot keep itself on top, place itself or be made
// translucent. Returns the platform it chose ("xcb"), or nullptr when it left the choice alone.
const char* ChooseDisplayPlatform();
// The decision itself, from the environment's values (nullptr for unset).
const char* PlatformForSession(const char* qpaPlatform, const char* waylandDisplay,
                               const char* sessionType, const char* x11Display);

enum class Effect { OnTop, Translucency, Shape, Position, Move };
// Whether the effect can work here; when it cannot, says so on stderr the first time.
// alpha matters for Translucency only (opaque always works).
bool EffectWorks(Effect effect, int alpha = 255);

// Whether a translucent window is drawn so: on X11 only while a compositing manager runs.
// Asked again at each call, since one may be started or stopped at any time.
enum class Translucency { Drawn, NoCompositor, NotOnThisDesktop };
Translucency TranslucencyHere();
// Topmost on or off, keeping the window where it is; on X11 the window manager shows it as
// _NET_WM_STATE_ABOVE. Raises the window as well when it is visible.
void SetTopmost(QWidget& window, bool on);
bool IsTopmost(const QWidget& window);

// Sends the window system the requests made so far (on X11 they wait in a buffer until the
// event loop runs), so that a window just shown is mapped while more work follows.
void SendRequestsNow();

// Alpha 0..255 as the window's opacity. Returns false when the desktop cannot show it.
bool SetOpacity(QWidget& window, int alpha);

// The runs of the skin picture as a region (empty when there is no opaque pixel).
QRegion RegionFromRuns(const std::vector<RegionRect>& runs);
QRegion SkinRegion(const QImage& picture);

// Dragging a frameless window with any button: the window follows the pointer, or, where a
// window cannot place itself (Wayland), the system's own move takes over. The move begins once
// the pointer has gone a few pixels from the press, so a click or a double click stays one.
class WindowDrag {
public:
    // A press of button at globalPos may start moving window.
    void Begin(QWidget& window, QPoint globalPos, int button);
    // The pointer moved with the button held; returns whether this moved the window.
    bool Follow(QPoint globalPos);
    void End() { window_ = nullptr; }
    bool Following() const { return window_ != nullptr; }
    int Started() const { return started_; }  // presses that could drag, for tests

private:
    QWidget* window_ = nullptr;
    QPoint pressPos_;
    QPoint grabOffset_;
    int button_ = 0;
    bool moving_ = false;
    int started_ = 0;
};

}  // namespace quorva::platform
