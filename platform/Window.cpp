#include "Window.h"

#include <QGuiApplication>
#include <QImage>
#include <QStyleHints>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "X11.h"

namespace quorva::platform {

namespace {

bool IsSet(const char* v) {
    return v != nullptr && *v != '\0';
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
    const char* chosen =
        PlatformForSession(std::getenv("QT_QPA_PLATFORM"), std::getenv("WAYLAND_DISPLAY"),
                           std::getenv("XDG_SESSION_TYPE"), std::getenv("DISPLAY"));
    if (chosen != nullptr) setenv("QT_QPA_PLATFORM", chosen, 1);
    return chosen;
}

bool EffectWorks(Effect effect, int alpha) {
    if (OnWayland()) {
        switch (effect) {
            case Effect::OnTop:
                TellOnce(effect,
                         "this Wayland session does not let a window keep itself on top; "
                         "start with QT_QPA_PLATFORM=xcb (XWayland) for \"always on top\"");
                return false;
            case Effect::Translucency:
                if (alpha >= 255) return true;
                TellOnce(effect,
                         "this Wayland session does not let the window make itself "
                         "translucent; start with QT_QPA_PLATFORM=xcb (XWayland) for that");
                return false;
            case Effect::Shape:
                TellOnce(effect,
                         "on Wayland the window's outline cannot be cut out of its picture; "
                         "start with QT_QPA_PLATFORM=xcb (XWayland) for the shaped window");
                return false;
            case Effect::Position:
                TellOnce(effect,
                         "on Wayland the window cannot be put back where it was left; the "
                         "desktop chooses its place");
                return false;
            case Effect::Move:
                TellOnce(effect, "this Wayland desktop cannot move the window by its picture");
                return false;
        }
    }
    if (effect == Effect::Translucency && alpha < 255 && OnX11() && !CompositorRunning()) {
        TellOnce(effect,
                 "no compositing manager is running, so the window stays opaque "
                 "(transparency needs one)");
        return false;
    }
    return true;
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

}  // namespace quorva::platform
