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
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

bool OnXcb() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

xcb_connection_t* Connection() {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

// Atoms by name, each asked of the server once per connection; the names not yet known are all
// asked before the first reply is awaited, so a list costs at most one round trip.
std::vector<xcb_atom_t> Atoms(xcb_connection_t* connection,
                              std::initializer_list<std::string> names) {
    static xcb_connection_t* known = nullptr;
    static std::map<std::string, xcb_atom_t> cache;
    if (known != connection) {
        cache.clear();
        known = connection;
    }
    std::vector<std::pair<std::string, xcb_intern_atom_cookie_t>> asked;
    for (const std::string& name : names) {
        if (!cache.contains(name)) {
            asked.emplace_back(name, xcb_intern_atom(connection, 0,
                                                     static_cast<std::uint16_t>(name.size()),
                                                     name.c_str()));
        }
    }
    for (const auto& [name, cookie] : asked) {
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
        if (reply) {
            cache[name] = reply->atom; // a failed request is asked again next time
        }
    }
    std::vector<xcb_atom_t> atoms;
    for (const std::string& name : names) {
        const auto it = cache.find(name);
        atoms.push_back(it != cache.end() ? it->second : xcb_atom_t{XCB_ATOM_NONE});
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

// The selection a compositing manager owns on the default screen.
std::string CompositorSelection() {
    return "_NET_WM_CM_S" + std::to_string(ScreenNumber());
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
    // The compositor's selection is asked along, for CompositorRunning next: one round trip.
    const std::vector<xcb_atom_t> atoms = Atoms(
        connection, {"_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER",
                     "_NET_WM_STATE_ABOVE", CompositorSelection()});
    const xcb_atom_t state = atoms[0];
    const std::vector<xcb_atom_t> states(atoms.begin() + 1, atoms.begin() + 4);
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
    const xcb_atom_t selection = Atoms(connection, {CompositorSelection()})[0];
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
