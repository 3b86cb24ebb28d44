#pragma once

// Which window system a Unix front-end runs on. Wayland lets no client keep itself above other
// windows, off the task bar or at a place of its own; XWayland, an X server inside the Wayland
// session, does. The choice is made before the toolkit starts, from the environment alone.

#include <string>
#include <string_view>

struct TSession {
    std::string_view RequestedPlatform; // QT_QPA_PLATFORM as the user set it, empty if unset
    bool Wayland = false;               // a Wayland session (XDG_SESSION_TYPE or WAYLAND_DISPLAY)
    bool XServer = false;               // DISPLAY is set: an X server (XWayland) is at hand
};

// The value QT_QPA_PLATFORM is to have: xcb on a Wayland session with an X server unless the
// user asked for something else; xcb alone where the user's list names it among others; Wayland
// alone with xcb added behind it, so that a missing Wayland plugin is no abort. Anything else,
// and every choice outside a Wayland session, stays as the user set it.
std::string ChoosePlatform(const TSession& session);

// Whether a platform name (as the toolkit reports it once it runs) is native Wayland.
bool IsNativeWayland(std::string_view platformName);

// Said once on standard error when the ticker runs natively on Wayland: what is lost there and
// how to get it back.
std::string NativeWaylandNote(bool xServer);
