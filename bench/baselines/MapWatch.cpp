// Times a program's start-up to the map of its window, on one clock in one process:
//
//   map-watch [--timeout SECONDS] NAME -- PROGRAM [ARGUMENTS...]
//
// Selects SubstructureNotify on the root window, reads the clock, starts PROGRAM, follows every
// new top-level window and reports the first MapNotify of one whose WM_NAME is NAME:
//
//   mapped MILLISECONDS PID
//
// on standard output. Then it leaves PROGRAM running until its own standard input closes, ends
// PROGRAM's process group with SIGTERM and exits with 0. Exit 2: PROGRAM ended or the timeout
// passed first. Polling from outside (xdotool, xwininfo) would add its own interval to every
// figure.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

double Now() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

pid_t child = -1;

// Windows come and go while we look at them; a vanished one is simply not the one we want.
int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
}

// Without the display nothing can be measured; leave no program behind.
int LostDisplay(Display*) {
    if (child > 0) {
        kill(-child, SIGKILL);
    }
    std::fprintf(stderr, "map-watch: lost the display\n");
    _exit(1);
}

bool HasName(Display* display, Window window, const std::string& wanted) {
    XTextProperty property{};
    if (XGetWMName(display, window, &property) == 0 || property.value == nullptr) {
        return false;
    }
    const std::string name(reinterpret_cast<const char*>(property.value), property.nitems);
    XFree(property.value);
    return name == wanted;
}

bool IsMapped(Display* display, Window window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, window, &attributes) != 0 &&
           attributes.map_state != IsUnmapped;
}

int Usage() {
    std::fprintf(stderr, "usage: map-watch [--timeout SECONDS] NAME -- PROGRAM [ARGUMENTS...]\n");
    return 64;
}

} // namespace

int main(int argc, char** argv) {
    double timeoutMs = 30e3;
    int i = 1;
    if (i + 1 < argc && std::strcmp(argv[i], "--timeout") == 0) {
        timeoutMs = std::atof(argv[i + 1]) * 1e3;
        i += 2;
    }
    if (i + 2 >= argc || std::strcmp(argv[i + 1], "--") != 0) {
        return Usage();
    }
    const std::string wanted = argv[i];
    char** program = argv + i + 2;

    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "map-watch: cannot open the display\n");
        return 1;
    }
    XSetErrorHandler(IgnoreErrors);
    XSetIOErrorHandler(LostDisplay);
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);
    const int xfd = ConnectionNumber(display);
    fcntl(xfd, F_SETFD, FD_CLOEXEC);

    const double start = Now();
    child = fork();
    if (child < 0) {
        std::perror("map-watch: fork");
        return 1;
    }
    if (child == 0) {
        // A group of its own, so that a program's helpers (time, strace) end with it; and not
        // our standard output, which reports only the map.
        setpgid(0, 0);
        const int devNull = open("/dev/null", O_WRONLY);
        dup2(devNull, STDOUT_FILENO);
        close(devNull);
        execvp(program[0], program);
        std::fprintf(stderr, "map-watch: cannot run %s: %s\n", program[0], std::strerror(errno));
        _exit(127);
    }
    setpgid(child, child); // either side may come first

    double mapped = -1;
    while (mapped < 0) {
        while (XPending(display) > 0 && mapped < 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == CreateNotify && event.xcreatewindow.parent == root) {
                // Its own MapNotify goes to its own StructureNotify listeners, wherever the
                // window manager reparents it; catch a map that came before we listened.
                const Window window = event.xcreatewindow.window;
                XSelectInput(display, window, StructureNotifyMask);
                XSync(display, False);
                if (IsMapped(display, window) && HasName(display, window, wanted)) {
                    mapped = Now();
                }
            } else if (event.type == MapNotify && HasName(display, event.xmap.window, wanted)) {
                mapped = Now();
            }
        }
        if (mapped >= 0) {
            break;
        }
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) {
            std::fprintf(stderr, "map-watch: %s ended before its window was mapped\n", program[0]);
            return 2;
        }
        const double left = start + timeoutMs - Now();
        if (left <= 0) {
            std::fprintf(stderr, "map-watch: no window '%s' within the timeout\n", wanted.c_str());
            kill(-child, SIGKILL);
            waitpid(child, nullptr, 0);
            return 2;
        }
        pollfd fd{xfd, POLLIN, 0};
        poll(&fd, 1, left < 50 ? static_cast<int>(left) + 1 : 50);
    }

    std::printf("mapped %.3f %d\n", mapped - start, static_cast<int>(child));
    std::fflush(stdout);
    XCloseDisplay(display);

    // Hold the program until whoever reads us is done with it.
    char buffer[256];
    while (read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
    }
    kill(-child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    return 0;
}
