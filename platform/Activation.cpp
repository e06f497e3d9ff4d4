#include "Activation.h"

#include <QApplication>
#include <QWidget>
#include <algorithm>
#include <cstring>

#include "X11.h"

namespace quorva::platform {

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
        const Reply<xcb_get_input_focus_reply_t> reply(
            xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
        return reply != nullptr && reply->focus == static_cast<xcb_window_t>(window.winId());
    }
#endif
    return window.isActiveWindow();
}

void TakeActivation(QWidget& window, const std::string& startupId,
                    const std::string& activationToken) {
    // Qt's Wayland window takes the token from the environment when it next asks for the focus.
    if (OnWayland() && !activationToken.empty())
        qputenv("XDG_ACTIVATION_TOKEN", activationToken.c_str());
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
        SendToRoot(c, e);
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
    const xcb_atom_t begin = Atom(c, "_NET_STARTUP_INFO_BEGIN"),
                     more = Atom(c, "_NET_STARTUP_INFO");
    for (std::size_t at = 0; at <= message.size(); at += 20) {
        xcb_client_message_event_t e{};
        e.response_type = XCB_CLIENT_MESSAGE;
        e.format = 8;
        e.window = id;
        e.type = at == 0 ? begin : more;
        std::memcpy(e.data.data8, message.data() + at,
                    std::min<std::size_t>(20, message.size() - at));
        SendToRoot(c, e);
    }
    xcb_flush(c);
#else
    (void)window;
    (void)startupId;
#endif
}

}  // namespace quorva::platform
