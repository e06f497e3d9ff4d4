#pragma once
// The few X11 requests the window layer makes itself, for what Qt does not offer: who owns the
// compositing selection, who has the focus, activation and startup messages. Every reply is
// owned, so none is leaked on an early return.

#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>
#include <memory>

#if QUORVA_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace quorva::platform {

inline bool OnWayland() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}
inline bool OnX11() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

// Translucency on X11 is drawn by a compositing manager; without one the opacity property is
// set and nothing changes on screen. True where it cannot be told.
bool CompositorRunning();

#if QUORVA_HAVE_XCB
struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <class T>
using Reply = std::unique_ptr<T, FreeReply>;

// Our X connection, or nullptr when the window system is not X11.
xcb_connection_t* X11Connection();
xcb_atom_t Atom(xcb_connection_t* c, const char* name);
xcb_window_t RootOf(xcb_connection_t* c);
// A client message to the root window, as window managers and launchers expect them.
void SendToRoot(xcb_connection_t* c, const xcb_client_message_event_t& message);
#endif

}  // namespace quorva::platform
