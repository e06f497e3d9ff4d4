#include "Platform.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QLocale>
#include <QScreen>
#include <QStyleHints>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#if QUORVA_HAVE_XCB
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#endif

namespace quorva::platform {

namespace {

bool IsSet(const char* v) { return v != nullptr && *v != '\0'; }

bool OnWayland() { return QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

bool OnX11() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

// Translucency on X11 is drawn by a compositing manager; without one the opacity property
// is set and nothing changes on screen.
bool CompositorRunning() {
#if QUORVA_HAVE_XCB
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 == nullptr || x11->connection() == nullptr) return true;  // cannot tell: assume so
    xcb_connection_t* c = x11->connection();
    // The selection of the screen the display names ("host:0.1" is screen 1).
    const std::string name = "_NET_WM_CM_S" + std::to_string(ScreenOfDisplay(std::getenv("DISPLAY")));
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.c_str()), nullptr);
    if (atom == nullptr) return true;
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr);
    const bool running = owner != nullptr && owner->owner != XCB_NONE;
    std::free(owner);
    std::free(atom);
    return running;
#else
    return true;
#endif
}

struct EffectNote {
    bool told = false;
};
std::array<EffectNote, 5> g_told;

void TellOnce(Effect e, const char* text) {
    EffectNote& note = g_told[static_cast<int>(e)];
    if (note.told) return;
    note.told = true;
    std::fprintf(stderr, "quorva: %s\n", text);
}

}  // namespace

const char* PlatformForSession(const char* qpaPlatform, const char* waylandDisplay,
                               const char* sessionType, const char* x11Display) {
    if (IsSet(qpaPlatform)) return nullptr;  // the user's choice stands
    const bool wayland =
        IsSet(waylandDisplay) || (IsSet(sessionType) && std::strcmp(sessionType, "wayland") == 0);
    if (!wayland || !IsSet(x11Display)) return nullptr;  // no XWayland: Wayland it must be
    return "xcb";
}

const char* ChooseDisplayPlatform() {
    const char* chosen = PlatformForSession(std::getenv("QT_QPA_PLATFORM"),
                                            std::getenv("WAYLAND_DISPLAY"),
                                            std::getenv("XDG_SESSION_TYPE"),
                                            std::getenv("DISPLAY"));
    if (chosen != nullptr) setenv("QT_QPA_PLATFORM", chosen, 1);
    return chosen;
}

bool EffectWorks(Effect effect, int alpha) {
    if (OnWayland()) {
        switch (effect) {
        case Effect::OnTop:
            TellOnce(effect, "this Wayland session does not let a window keep itself on top; "
                             "start with QT_QPA_PLATFORM=xcb (XWayland) for \"always on top\"");
            return false;
        case Effect::Translucency:
            if (alpha >= 255) return true;
            TellOnce(effect, "this Wayland session does not let the window make itself "
                             "translucent; start with QT_QPA_PLATFORM=xcb (XWayland) for that");
            return false;
        case Effect::Shape:
            TellOnce(effect, "on Wayland the window's outline cannot be cut out of its picture; "
                             "start with QT_QPA_PLATFORM=xcb (XWayland) for the shaped window");
            return false;
        case Effect::Position:
            TellOnce(effect, "on Wayland the window cannot be put back where it was left; the "
                             "desktop chooses its place");
            return false;
        case Effect::Move:
            TellOnce(effect, "this Wayland desktop cannot move the window by its picture");
            return false;
        }
    }
    if (effect == Effect::Translucency && alpha < 255 && OnX11() && !CompositorRunning()) {
        TellOnce(effect, "no compositing manager is running, so the window stays opaque "
                         "(transparency needs one)");
        return false;
    }
    return true;
}

int ScreenOfDisplay(const char* display) {
    if (display == nullptr) return 0;
    const char* colon = std::strrchr(display, ':');
    const char* dot = colon != nullptr ? std::strchr(colon, '.') : nullptr;
    if (dot == nullptr || dot[1] < '0' || dot[1] > '9') return 0;
    return std::atoi(dot + 1);
}

Translucency TranslucencyHere() {
    if (OnWayland()) return Translucency::NotOnThisDesktop;
    if (OnX11() && !CompositorRunning()) return Translucency::NoCompositor;
    return Translucency::Drawn;
}

void SetTopmost(QWidget& window, bool on) {
    EffectWorks(Effect::OnTop);
    Qt::WindowFlags flags = window.windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, on);
    if (QWindow* handle = window.windowHandle()) {
        // Through the widget the change would re-create the native window: it would vanish
        // and come back wherever the window manager likes. The native window takes the flag
        // in place.
        if (flags != window.windowFlags()) {
            window.overrideWindowFlags(flags);
            handle->setFlags(flags);
        }
        if (window.isVisible()) window.raise();
        return;
    }
    if (flags == window.windowFlags()) return;
    const QPoint pos = window.pos();
    const bool placed = window.testAttribute(Qt::WA_Moved);
    window.setWindowFlags(flags);
    if (placed) window.move(pos);
}

bool IsTopmost(const QWidget& window) {
    return window.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

bool SetOpacity(QWidget& window, int alpha) {
    alpha = std::clamp(alpha, 0, 255);
    const bool works = EffectWorks(Effect::Translucency, alpha);
    window.setWindowOpacity(alpha / 255.0);
    return works;
}

QRegion RegionFromRuns(const std::vector<RegionRect>& runs) {
    QRegion region;
    if (runs.empty()) return region;
    // setRects wants bands: rows sorted top to bottom, runs left to right, never touching,
    // which the runs are; rows with the same runs as the row above merge into one band.
    std::vector<QRect> rects;
    rects.reserve(runs.size());
    size_t bandStart = 0;  // first rect of the band being built
    size_t i = 0;
    while (i < runs.size()) {
        const int top = runs[i].top;
        size_t end = i;
        while (end < runs.size() && runs[end].top == top) ++end;
        const size_t bandSize = rects.size() - bandStart;
        bool same = bandSize == end - i && bandSize > 0 && rects[bandStart].bottom() + 1 == top;
        for (size_t k = 0; same && k < bandSize; ++k) {
            const QRect& r = rects[bandStart + k];
            same = r.left() == runs[i + k].left && r.right() + 1 == runs[i + k].right;
        }
        if (same) {
            for (size_t k = 0; k < bandSize; ++k) rects[bandStart + k].setBottom(top);
        } else {
            bandStart = rects.size();
            for (size_t k = i; k < end; ++k) {
                const RegionRect& r = runs[k];
                rects.emplace_back(r.left, r.top, r.right - r.left, r.bottom - r.top);
            }
        }
        i = end;
    }
    region.setRects(rects.data(), static_cast<int>(rects.size()));
    return region;
}

QRegion SkinRegion(const QImage& picture) {
    if (picture.isNull()) return {};
    const QImage rgb = picture.format() == QImage::Format_RGB32
                           ? picture
                           : picture.convertToFormat(QImage::Format_RGB32);
    const int w = rgb.width();
    const int h = rgb.height();
    if (rgb.bytesPerLine() == w * 4) {
        return RegionFromRuns(
            MakeSkinRegionRuns(w, h, reinterpret_cast<const uint32_t*>(rgb.constBits())));
    }
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        std::memcpy(pixels.data() + static_cast<size_t>(y) * w, rgb.constScanLine(y),
                    static_cast<size_t>(w) * 4);
    }
    return RegionFromRuns(MakeSkinRegionRuns(w, h, pixels.data()));
}

void WindowDrag::Begin(QWidget& window, QPoint globalPos, int button) {
    ++started_;
    window_ = &window;
    pressPos_ = globalPos;
    grabOffset_ = globalPos - window.pos();
    button_ = button;
    moving_ = false;
}

bool WindowDrag::Follow(QPoint globalPos) {
    if (window_ == nullptr) return false;
    if (!moving_) {
        const int threshold = std::max(2, QGuiApplication::styleHints()->startDragDistance());
        if ((globalPos - pressPos_).manhattanLength() < threshold) return false;
        moving_ = true;
        if (OnWayland()) {
            // The compositor moves it, from where the pointer is now. Its move follows the
            // left button only.
            QWindow* handle = window_->windowHandle();
            if (button_ != Qt::LeftButton || handle == nullptr || !handle->startSystemMove()) {
                EffectWorks(Effect::Move);
            }
            window_ = nullptr;
            return false;
        }
    }
    // Our own move keeps the grabbed point under the pointer to the pixel; the X11 system
    // move would start from the pointer's place after the threshold, a few pixels late.
    const QPoint to = globalPos - grabOffset_;
    if (to == window_->pos()) return false;
    window_->move(to);
    return true;
}

QSize PictureLimit() {
    QSize limit;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QSize area = screen->virtualSize() * screen->devicePixelRatio();
        limit = limit.expandedTo(area);
    }
    if (limit.isEmpty()) return {kNoScreenPictureLimit, kNoScreenPictureLimit};
    return limit;
}

bool PictureFits(QSize size, QSize limit) {
    return size.width() > 0 && size.height() > 0 && size.width() <= limit.width() &&
           size.height() <= limit.height();
}

namespace {

void Refused(const QString& path, const QString& why) {
    std::fprintf(stderr, "quorva: the picture %s is not used: %s\n", qPrintable(path),
                 qPrintable(why));
}

enum class Read { Done, Refused, Unreadable };

// Reads the size first: a header may claim far more pixels than the file holds.
Read ReadWithin(QImageReader& reader, const QString& path, QImage& picture) {
    const QSize limit = PictureLimit();
    const auto tooLarge = [&](QSize s) {
        Refused(path, QStringLiteral("%1x%2 pixels, more than the %3x%4 the screens can show")
                          .arg(s.width()).arg(s.height()).arg(limit.width()).arg(limit.height()));
        return Read::Refused;
    };
    const QSize claimed = reader.size();
    if (claimed.isValid() && !PictureFits(claimed, limit)) return tooLarge(claimed);
    picture = reader.read();
    if (picture.isNull()) return Read::Unreadable;
    if (const QSize got = picture.size(); !PictureFits(got, limit)) {
        picture = QImage();
        return tooLarge(got);
    }
    return Read::Done;
}

}  // namespace

QImage LoadPicture(const QString& path) {
    QImage picture;
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png") || suffix == QLatin1String("bmp")) {
        QImageReader reader(path, suffix.toLatin1());
        reader.setAutoDetectImageFormat(false);
        if (ReadWithin(reader, path, picture) != Read::Unreadable) return picture;
    }
    // Another format, or a picture whose name does not say what it is.
    QImageReader reader(path);
    if (ReadWithin(reader, path, picture) == Read::Unreadable) {
        Refused(path, reader.errorString());
    }
    return picture;
}

std::string ClipboardText() {
    return QGuiApplication::clipboard()->text().toStdString();
}

void SetClipboardText(const std::string& text) {
    // Replacing the text drops whatever else the clipboard held.
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

std::string ProgramFolder() {
    return QCoreApplication::applicationDirPath().toStdString();
}

namespace {
double TwipsPer(qreal dpi) { return dpi > 0 ? 1440.0 / dpi : 15.0; }
}  // namespace

double TwipsPerPixelX() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return TwipsPer(s ? s->logicalDotsPerInchX() : 96.0);
}

double TwipsPerPixelY() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return TwipsPer(s ? s->logicalDotsPerInchY() : 96.0);
}

char SeparatorOf(const QString& decimalPoint) {
    return decimalPoint == QLatin1String(",") ? ',' : '.';
}

char LocaleDecimalSeparator() { return SeparatorOf(QLocale::system().decimalPoint()); }

QPoint PullOntoScreen(const QRect& rect, const QList<QRect>& screens) {
    if (screens.isEmpty()) return rect.topLeft();
    // Enough to grab it again with the mouse.
    const int needW = std::min(rect.width(), 32);
    const int needH = std::min(rect.height(), 32);
    for (const QRect& s : screens) {
        const QRect seen = s.intersected(rect);
        if (seen.width() >= needW && seen.height() >= needH) return rect.topLeft();
    }
    const QPoint centre = rect.center();
    const QRect* nearest = &screens.front();
    long long best = -1;
    for (const QRect& s : screens) {
        const long long dx = std::clamp(centre.x(), s.left(), s.right()) - centre.x();
        const long long dy = std::clamp(centre.y(), s.top(), s.bottom()) - centre.y();
        const long long d = dx * dx + dy * dy;
        if (best < 0 || d < best) {
            best = d;
            nearest = &s;
        }
    }
    const int x = std::max(nearest->left(), std::min(rect.left(), nearest->right() + 1 - rect.width()));
    const int y = std::max(nearest->top(), std::min(rect.top(), nearest->bottom() + 1 - rect.height()));
    return {x, y};
}

QList<QRect> AvailableScreenAreas() {
    QList<QRect> areas;
    for (const QScreen* s : QGuiApplication::screens()) areas.append(s->availableGeometry());
    return areas;
}

}  // namespace quorva::platform

namespace quorva::platform {

namespace {

#if QUORVA_HAVE_XCB
xcb_connection_t* X11Connection() {
    if (!OnX11()) return nullptr;
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 != nullptr ? x11->connection() : nullptr;
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

xcb_window_t RootOf(xcb_connection_t* c) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    return screen != nullptr ? screen->root : xcb_window_t{XCB_WINDOW_NONE};
}

void SendToRoot(xcb_connection_t* c, xcb_window_t window, xcb_atom_t type, const uint8_t* data20) {
    xcb_client_message_event_t e{};
    e.response_type = XCB_CLIENT_MESSAGE;
    e.format = 8;
    e.window = window;
    e.type = type;
    std::memcpy(e.data.data8, data20, 20);
    xcb_send_event(c, 0, RootOf(c), XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&e));
}
#endif

}  // namespace

uint32_t StartupIdTime(std::string_view startupId) {
    const std::size_t at = startupId.rfind("_TIME");
    if (at == std::string_view::npos) return 0;
    uint64_t time = 0;
    std::size_t i = at + 5;
    for (; i < startupId.size() && startupId[i] >= '0' && startupId[i] <= '9'; ++i) {
        time = time * 10 + static_cast<uint64_t>(startupId[i] - '0');
        if (time > 0xFFFFFFFFu) return 0;
    }
    return i == startupId.size() && i > at + 5 ? static_cast<uint32_t>(time) : 0;
}

std::string StartupRemoveMessage(std::string_view startupId) {
    std::string message = "remove: ID=\"";
    for (const char ch : startupId) {
        if (ch == '"' || ch == '\\') message.push_back('\\');
        message.push_back(ch);
    }
    return message + "\"";
}

bool HasKeyboardFocus(const QWidget& window) {
#if QUORVA_HAVE_XCB
    if (xcb_connection_t* c = X11Connection(); c != nullptr && window.isVisible()) {
        xcb_get_input_focus_reply_t* reply = xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
        const bool focused = reply != nullptr && reply->focus == static_cast<xcb_window_t>(window.winId());
        std::free(reply);
        return focused;
    }
#endif
    return window.isActiveWindow();
}

void TakeActivation(QWidget& window, const std::string& startupId, const std::string& activationToken) {
    // Qt's Wayland window takes the token from the environment when it next asks for the focus.
    if (OnWayland() && !activationToken.empty()) qputenv("XDG_ACTIVATION_TOKEN", activationToken.c_str());
#if QUORVA_HAVE_XCB
    xcb_connection_t* c = X11Connection();
    if (c == nullptr || startupId.empty()) return;
    // Read by the window manager when it takes the window on at its next map.
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window.winId()),
                        Atom(c, "_NET_STARTUP_ID"), Atom(c, "UTF8_STRING"), 8,
                        static_cast<uint32_t>(startupId.size()), startupId.data());
    xcb_flush(c);
#else
    (void)window;
#endif
}

void Activate(QWidget& window, const std::string& startupId) {
    window.activateWindow();
#if QT_VERSION < QT_VERSION_CHECK(6, 5, 0)  // where the call is not deprecated
    // A window hidden while it had the focus can stay Qt's focus window: the focus given back
    // then changes nothing for Qt, the window is never told it is active, and a screen reader
    // never hears of it although the keys arrive.
    if (QGuiApplication::focusWindow() == window.windowHandle() && !window.isActiveWindow()) {
        QApplication::setActiveWindow(&window);
    }
#endif
#if QUORVA_HAVE_XCB
    xcb_connection_t* c = X11Connection();
    if (c == nullptr || startupId.empty()) return;
    const auto id = static_cast<xcb_window_t>(window.winId());
    // Qt asked with the time of its own last event, which for a hidden calculator is long
    // past; the caller's time is that of the key press that summoned it.
    if (const uint32_t time = StartupIdTime(startupId); time != 0) {
        xcb_client_message_event_t e{};
        e.response_type = XCB_CLIENT_MESSAGE;
        e.format = 32;
        e.window = id;
        e.type = Atom(c, "_NET_ACTIVE_WINDOW");
        e.data.data32[0] = 1;  // from an application
        e.data.data32[1] = time;
        xcb_send_event(c, 0, RootOf(c), XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                       reinterpret_cast<const char*>(&e));
    }
    xcb_flush(c);
#endif
    EndLaunchFeedback(window, startupId);
}

void EndLaunchFeedback(QWidget& window, const std::string& startupId) {
#if QUORVA_HAVE_XCB
    xcb_connection_t* c = X11Connection();
    if (c == nullptr || startupId.empty()) return;
    const auto id = static_cast<xcb_window_t>(window.winId());
    // In pieces of 20 bytes, the closing NUL included.
    const std::string message = StartupRemoveMessage(startupId);
    const xcb_atom_t begin = Atom(c, "_NET_STARTUP_INFO_BEGIN"), more = Atom(c, "_NET_STARTUP_INFO");
    for (std::size_t at = 0; at <= message.size(); at += 20) {
        uint8_t piece[20] = {};
        std::memcpy(piece, message.data() + at, std::min<std::size_t>(20, message.size() - at));
        SendToRoot(c, id, at == 0 ? begin : more, piece);
    }
    xcb_flush(c);
#else
    (void)window;
    (void)startupId;
#endif
}

}  // namespace quorva::platform
