#include "framework/Application.h"
#include "framework/WindowSystem.h"

#include "app/Platform.h"
#include "app/WindowDrag.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <string_view>
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

// A window property's value as bytes: empty where it is not set or cannot be read.
std::string Property(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property) {
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(
            connection,
            xcb_get_property(connection, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 256),
            nullptr),
        &std::free);
    if (!reply) {
        return {};
    }
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       std::size_t(xcb_get_property_value_length(reply.get())));
}

// The name an EWMH window manager gives itself: _NET_WM_NAME of its _NET_SUPPORTING_WM_CHECK
// window. Asked once per connection; empty where no such window manager runs.
const std::string& WindowManagerName(xcb_connection_t* connection) {
    static xcb_connection_t* known = nullptr;
    static std::string name;
    if (known == connection) {
        return name;
    }
    known = connection;
    name.clear();
    const std::vector<xcb_atom_t> atoms =
        Atoms(connection, {"_NET_SUPPORTING_WM_CHECK", "_NET_WM_NAME"});
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const std::string check =
        screen != nullptr ? Property(connection, screen->root, atoms[0]) : std::string();
    if (check.size() == sizeof(xcb_window_t)) {
        xcb_window_t window = XCB_WINDOW_NONE;
        std::memcpy(&window, check.data(), sizeof window);
        name = Property(connection, window, atoms[1]);
    }
    return name;
}

// weston's X window manager, under which XWayland runs in a weston session, shows a utility window
// (as other windows of the kinds it does not focus) only at its next repaint of the screen for
// another reason, and carries out none of a managed window's own moves; ordinary windows it shows
// at once and moves itself when asked (_NET_WM_MOVERESIZE).
bool WestonWindowManager() {
    xcb_connection_t* connection = OnXcb() ? Connection() : nullptr;
    return connection != nullptr && WindowManagerName(connection) == "Weston WM";
}

// The signals reach the event loop through this pipe: a handler may do little more than write.
int SignalPipe[2] = {-1, -1};

void OnSessionSignal(int) {
    const int saved = errno;
    const char byte = 0;
    [[maybe_unused]] const auto written = write(SignalPipe[1], &byte, 1);
    errno = saved;
}

// Qt's X11 plugin calls exit() when its connection breaks. The exit handlers would then destroy
// the windows, which talk to the dead connection and crash. Registered after the QApplication
// was created, this runs before them; after a normal end the QApplication is gone already.
void EndIfTheDisplayBroke() {
    if (QCoreApplication::instance() != nullptr) {
        _exit(0);
    }
}

// Follows the owner of the compositor's selection through XFixes' notifications, which Qt
// receives and hands to native event filters but does not pass on.
class TCompositorWatch : public QObject, public QAbstractNativeEventFilter {
public:
    TCompositorWatch(QWidget* window, bool running, std::function<void(bool)> changed)
        : QObject(window), Changed(std::move(changed)), Running(running) {
        xcb_connection_t* connection = Connection();
        const xcb_query_extension_reply_t* xfixes =
            connection != nullptr ? xcb_get_extension_data(connection, &xcb_xfixes_id) : nullptr;
        if (xfixes == nullptr || xfixes->present == 0) {
            return;
        }
        FirstEvent = xfixes->first_event;
        Selection = Atoms(connection, {CompositorSelection()})[0];
        xcb_xfixes_select_selection_input(
            connection, static_cast<xcb_window_t>(window->winId()), Selection,
            XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        xcb_flush(connection);
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~TCompositorWatch() override {
        if (QCoreApplication::instance() != nullptr) {
            QCoreApplication::instance()->removeNativeEventFilter(this);
        }
    }

    bool nativeEventFilter(const QByteArray&, void* message, qintptr*) override {
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7F) != FirstEvent + XCB_XFIXES_SELECTION_NOTIFY) {
            return false;
        }
        const auto* notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(event);
        const bool running = notify->owner != XCB_WINDOW_NONE;
        if (notify->selection == Selection && running != Running) {
            Running = running;
            // After Qt has handled the event, not inside its dispatch.
            QMetaObject::invokeMethod(
                this, [this, running] { Changed(running); }, Qt::QueuedConnection);
        }
        return false; // Qt follows the selection too
    }

private:
    std::function<void(bool)> Changed;
    bool Running;
    int FirstEvent = -1;
    xcb_atom_t Selection = XCB_ATOM_NONE;
};

} // namespace

void ChooseWindowSystem() {
    const QByteArray requested = qgetenv("QT_QPA_PLATFORM");
    const bool wayland = qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland") ||
                         !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    const std::string chosen =
        ChoosePlatform({std::string_view(requested.constData(), std::size_t(requested.size())),
                        wayland, !qEnvironmentVariableIsEmpty("DISPLAY")});
    if (chosen != requested.toStdString()) {
        qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(chosen));
    }
}

void NoteNativeWayland() {
    if (IsNativeWayland(QGuiApplication::platformName().toStdString())) {
        const std::string note = NativeWaylandNote(!qEnvironmentVariableIsEmpty("DISPLAY"));
        std::fwrite(note.data(), 1, note.size(), stderr);
    }
}

void EndWithTheSession() {
    static const bool registered = std::atexit(EndIfTheDisplayBroke) == 0;
    // A write to the dead X connection must not end the program by SIGPIPE either.
    signal(SIGPIPE, SIG_IGN);
    if (!registered || SignalPipe[0] >= 0 || pipe2(SignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    auto* notifier =
        new QSocketNotifier(SignalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, [] {
        char bytes[16];
        while (read(SignalPipe[0], bytes, sizeof bytes) > 0) {
        }
        Application->Terminate();
    });
    struct sigaction action = {};
    action.sa_handler = OnSessionSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(number, &action, nullptr);
    }
}

void MakeToolWindow(QWidget* window) {
    xcb_connection_t* connection = OnXcb() ? Connection() : nullptr;
    if (connection == nullptr) {
        // Qt maps a tool window to one that the window system keeps off the task bar.
        window->setWindowFlag(Qt::Tool, true);
        return;
    }
    // The compositor's selection and the window manager's name are asked along, for
    // CompositorRunning and WestonWindowManager: one round trip.
    const std::vector<xcb_atom_t> atoms =
        Atoms(connection, {"_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR",
                           "_NET_WM_STATE_SKIP_PAGER", "_NET_WM_STATE_ABOVE", CompositorSelection(),
                           "_NET_SUPPORTING_WM_CHECK", "_NET_WM_NAME"});
    // Qt maps a tool window to a utility window that the window manager keeps off the task bar
    // and out of task switching; the window states below say so explicitly to every EWMH window
    // manager. Under weston's, which has no task bar, a utility window would show nothing until
    // something else is drawn and could not be dragged: there the ticker is an ordinary window,
    // though one that weston does not keep above the others.
    window->setWindowFlag(Qt::Tool, !WestonWindowManager());
    const auto id = static_cast<xcb_window_t>(window->winId());
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

bool WindowManagerIgnoresMoves() {
    xcb_connection_t* connection = OnXcb() ? Connection() : nullptr;
    return connection != nullptr && WindowManagerMovesOnlyItself(WindowManagerName(connection));
}

void FollowCompositor(QWidget* window, bool running, std::function<void(bool running)> changed) {
    if (OnXcb()) {
        new TCompositorWatch(window, running, std::move(changed));
    }
}

void ApplyShapeWithoutCompositor(QWidget* window, const QRegion& shape) {
    if (!CompositorRunning()) {
        window->setMask(shape);
    }
}
