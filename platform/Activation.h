#pragma once
// Taking the focus when another program asks us to show ourselves, the way desktops that
// prevent focus stealing allow it.

#include <cstdint>
#include <string>
#include <string_view>

class QWidget;

namespace quorva::platform {

// A request from another program to show the window carries that program's activation token
// (DESKTOP_STARTUP_ID on X11, XDG_ACTIVATION_TOKEN on Wayland; either may be empty): desktops
// that prevent focus stealing give the focus only to a window that shows one. Before the
// window is shown, TakeActivation hands it over; after, Activate asks for the focus with it.
void TakeActivation(QWidget& window, const std::string& startupId,
                    const std::string& activationToken);
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
