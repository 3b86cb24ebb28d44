#include "framework/Application.h"
#include "framework/WindowSystem.h"

#include <QGuiApplication>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace {

bool OnXcb() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

xcb_connection_t* Connection() {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

xcb_atom_t Atom(xcb_connection_t* connection, const std::string& name) {
    const auto cookie =
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.c_str());
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// Several atoms in one round trip: every request is sent before the first reply is awaited.
std::vector<xcb_atom_t> Atoms(xcb_connection_t* connection,
                              std::initializer_list<const char*> names) {
    std::vector<xcb_intern_atom_cookie_t> cookies;
    for (const char* name : names) {
        cookies.push_back(
            xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name));
    }
    std::vector<xcb_atom_t> atoms;
    for (const auto cookie : cookies) {
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
        atoms.push_back(reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE});
    }
    return atoms;
}

// The default screen's number, which names the compositor's selection _NET_WM_CM_S<n>.
int ScreenNumber() {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr) {
        return 0;
    }
    const std::string text(display);
    const auto colon = text.rfind(':');
    const auto dot = text.find('.', colon == std::string::npos ? 0 : colon);
    return dot == std::string::npos ? 0 : std::atoi(text.c_str() + dot + 1);
}

} // namespace

void ChooseWindowSystem() {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        return;
    }
    const bool wayland = qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland") ||
                         !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (wayland && !qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
}

void MakeToolWindow(QWidget* window) {
    // Qt maps a tool window to a utility window that the window manager keeps off the task
    // bar; the window states below say so explicitly to every EWMH window manager.
    window->setWindowFlag(Qt::Tool, true);
    if (!OnXcb()) {
        return;
    }
    xcb_connection_t* connection = Connection();
    if (connection == nullptr) {
        return;
    }
    const auto id = static_cast<xcb_window_t>(window->winId());
    const std::vector<xcb_atom_t> atoms =
        Atoms(connection, {"_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR",
                           "_NET_WM_STATE_SKIP_PAGER", "_NET_WM_STATE_ABOVE"});
    const xcb_atom_t state = atoms[0];
    const std::vector<xcb_atom_t> states(atoms.begin() + 1, atoms.end());
    // A window that is not mapped yet takes its initial states from the property; Qt adds its
    // own to it when it maps the window.
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, state, XCB_ATOM_ATOM, 32,
                        static_cast<std::uint32_t>(states.size()), states.data());
    xcb_flush(connection);
}

bool CompositorRunning() {
    if (!OnXcb()) {
        return true; // the offscreen platform and the others draw transparency themselves
    }
    xcb_connection_t* connection = Connection();
    if (connection == nullptr) {
        return true;
    }
    const xcb_atom_t selection = Atom(connection, "_NET_WM_CM_S" + std::to_string(ScreenNumber()));
    if (selection == XCB_ATOM_NONE) {
        return false;
    }
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> reply(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection),
                                      nullptr),
        &std::free);
    return reply && reply->owner != XCB_WINDOW_NONE;
}

void ApplyShapeWithoutCompositor(QWidget* window, const QRegion& shape) {
    if (!CompositorRunning()) {
        window->setMask(shape);
    }
}
