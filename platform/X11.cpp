#include "X11.h"

#include <cstring>
#include <string>

#include "Screens.h"
#include "Window.h"

#if QUORVA_HAVE_XCB
#include <QtGui/qguiapplication_platform.h>
#endif

namespace quorva::platform {

bool CompositorRunning() {
#if QUORVA_HAVE_XCB
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 == nullptr || x11->connection() == nullptr) return true;
    xcb_connection_t* c = x11->connection();
    // The selection of the screen the display names ("host:0.1" is screen 1).
    const std::string name =
        "_NET_WM_CM_S" + std::to_string(ScreenOfDisplay(std::getenv("DISPLAY")));
    const xcb_atom_t atom = Atom(c, name.c_str());
    if (atom == XCB_ATOM_NONE) return true;
    const Reply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom), nullptr));
    return owner != nullptr && owner->owner != XCB_NONE;
#else
    return true;
#endif
}

void SendRequestsNow() {
#if QUORVA_HAVE_XCB
    if (xcb_connection_t* c = X11Connection()) xcb_flush(c);
#endif
}

#if QUORVA_HAVE_XCB
xcb_connection_t* X11Connection() {
    if (!OnX11()) return nullptr;
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 != nullptr ? x11->connection() : nullptr;
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
    return reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

xcb_window_t RootOf(xcb_connection_t* c) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    return screen != nullptr ? screen->root : xcb_window_t{XCB_WINDOW_NONE};
}

void SendToRoot(xcb_connection_t* c, const xcb_client_message_event_t& message) {
    xcb_send_event(c, 0, RootOf(c),
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
}
#endif

}  // namespace quorva::platform
