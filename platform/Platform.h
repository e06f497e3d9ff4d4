#pragma once
// The few operating-system services the calculator needs, done with Qt: staying on top,
// translucency, the window's outline, moving a frameless window, the clipboard, folders,
// screen resolution and the user's decimal separator. Effects this desktop cannot give are
// reported once on stderr.

#include <QList>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QSize>

#include <cstdint>
#include <string>
#include <string_view>
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
// The screen number of an X display name ("host:0.1" gives 1; 0 when there is none).
int ScreenOfDisplay(const char* display);

// Topmost on or off, keeping the window where it is; on X11 the window manager shows it as
// _NET_WM_STATE_ABOVE. Raises the window as well when it is visible.
void SetTopmost(QWidget& window, bool on);
bool IsTopmost(const QWidget& window);

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

// A picture file read by the reader its name's suffix says (PNG and BMP are built in), so
// that no image plugin is loaded to guess; anything else is read as Qt guesses it. A picture
// that cannot be read, or whose header claims more than PictureLimit(), gives a null image and
// a message on stderr; the size is read before anything is decoded.
QImage LoadPicture(const QString& path);
// The largest picture worth reading: what the screens together could show, in device pixels
// (the virtual desktop times the largest pixel ratio); kNoScreenPictureLimit without a screen.
QSize PictureLimit();
inline constexpr int kNoScreenPictureLimit = 8192;
bool PictureFits(QSize size, QSize limit);

// The clipboard's text as UTF-8 (empty when it holds none), and replacing it.
std::string ClipboardText();
void SetClipboardText(const std::string& text);

// The folder of the program file, without a trailing separator.
std::string ProgramFolder();

// Twips per pixel of the primary screen: 1440 / logical dots per inch (15 at 96).
double TwipsPerPixelX();
double TwipsPerPixelY();

// The user's decimal separator, '.' or ','.
char LocaleDecimalSeparator();
char SeparatorOf(const QString& decimalPoint);

// Where a window of rect should go so that it can be seen on one of screens (their available
// areas): where it is when enough of it lies on one, else moved inside the nearest one.
QPoint PullOntoScreen(const QRect& rect, const QList<QRect>& screens);
QList<QRect> AvailableScreenAreas();

// A request from another program to show the window carries that program's activation token
// (DESKTOP_STARTUP_ID on X11, XDG_ACTIVATION_TOKEN on Wayland; either may be empty): desktops
// that prevent focus stealing give the focus only to a window that shows one. Before the
// window is shown, TakeActivation hands it over; after, Activate asks for the focus with it.
void TakeActivation(QWidget& window, const std::string& startupId, const std::string& activationToken);
void Activate(QWidget& window, const std::string& startupId);
// The desktop's launch feedback for startupId (a busy pointer, a task-bar entry) ends; Activate
// does this too.
void EndLaunchFeedback(QWidget& window, const std::string& startupId);
// Whether the window has the keyboard focus, as the window system tells: on X11 the server is
// asked, since Qt's own idea goes stale when a window is hidden and shown without a window
// manager.
bool HasKeyboardFocus(const QWidget& window);
// The X server time a startup id carries ("..._TIME1234"), 0 when it has none.
uint32_t StartupIdTime(std::string_view startupId);
// The startup-notification message that ends the launch feedback of startupId.
std::string StartupRemoveMessage(std::string_view startupId);

}  // namespace quorva::platform
