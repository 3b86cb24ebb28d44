"""A private X desktop for end-to-end tests: Xvfb, a real EWMH window manager (openbox, or the
tiling i3) and a compositing manager (xcompmgr), driven only from outside, as a person would, with
xdotool, and inspected with xprop and xwininfo. Or a weston session in a window on Xvfb, whose
programs run on its XWayland: looked at and driven through Xvfb, inspected through XWayland.
Every wait is bounded polling, never a fixed sleep."""

import ctypes
import ctypes.util
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time


# Rows of Xvfb's screen below weston's output.
WESTON_POINTER_STRIP = 40


class Timeout(AssertionError):
    pass


def meet(a, b):
    """Whether two (x, y, width, height) rectangles share a pixel."""
    return a[0] < b[0] + b[2] and b[0] < a[0] + a[2] and a[1] < b[1] + b[3] and b[1] < a[1] + a[3]


def whole_beside(rect, ticker, width, height):
    """Whether a window's (x, y, width, height) lies whole on a screen of width x height and
    shares no pixel with the ticker's."""
    x, y, w, h = rect
    return not meet(rect, ticker) and x >= 0 and y >= 0 and x + w <= width and y + h <= height


def wait_until(what, probe, timeout=20.0, interval=0.05):
    """Polls probe() until it returns something truthy; returns that value."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Timeout(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(interval)


class _Xlib:
    """Just enough of libX11 to ask for a selection owner (the compositor's _NET_WM_CM_S0)."""

    def __init__(self):
        self.lib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        self.lib.XOpenDisplay.restype = ctypes.c_void_p
        self.lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.lib.XInternAtom.restype = ctypes.c_ulong
        self.lib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        self.lib.XGetSelectionOwner.restype = ctypes.c_ulong
        self.lib.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.lib.XCloseDisplay.argtypes = [ctypes.c_void_p]

    def selection_owner(self, display, selection):
        dpy = self.lib.XOpenDisplay(display.encode())
        if not dpy:
            return 0
        try:
            atom = self.lib.XInternAtom(dpy, selection.encode(), 0)
            return self.lib.XGetSelectionOwner(dpy, atom)
        finally:
            self.lib.XCloseDisplay(dpy)


class Desktop:
    def __init__(self, width=1920, height=1080, compositor=True, accessibility=False,
                 window_manager="openbox"):
        self.width, self.height = width, height
        self.compositor = compositor
        self.window_manager = window_manager
        self.accessibility = accessibility
        self.procs = []
        self.tmp = tempfile.mkdtemp(prefix="pelwick-desktop-")
        self.env = dict(os.environ)
        for var in ("WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "DBUS_SESSION_BUS_ADDRESS"):
            self.env.pop(var, None)
        self.env["HOME"] = self.tmp
        self.env["XDG_RUNTIME_DIR"] = os.path.join(self.tmp, "runtime")
        os.makedirs(self.env["XDG_RUNTIME_DIR"], mode=0o700)
        # Where the screen is looked at and the pointer and keys act: the X server itself, or
        # under weston the Xvfb that shows weston's output.
        self.screen_env = self.env

    # -- lifecycle -----------------------------------------------------------------------------

    def __enter__(self):
        try:
            self._start()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()

    def _spawn(self, argv, **kw):
        proc = subprocess.Popen(argv, env=self.env, stdin=subprocess.DEVNULL,
                                stdout=kw.pop("stdout", subprocess.DEVNULL),
                                stderr=kw.pop("stderr", subprocess.DEVNULL),
                                start_new_session=True, **kw)
        self.procs.append(proc)
        return proc

    def _start(self):
        read_fd, write_fd = os.pipe()
        # Under weston, a strip below its output where the pointer waits outside it.
        height = self.height + (WESTON_POINTER_STRIP if self.window_manager == "weston" else 0)
        # -noreset: the server otherwise starts afresh whenever its last client leaves, and hangs
        # up on a client that connects meanwhile (the window manager, while xprop polls for it).
        xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
             f"{self.width}x{height}x24", "-nolisten", "tcp", "-noreset",
             "+extension", "Composite"],
            pass_fds=(write_fd,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL, start_new_session=True)
        self.procs.append(xvfb)
        os.close(write_fd)
        with os.fdopen(read_fd) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.display = f":{number}"
        self.env["DISPLAY"] = self.display

        if self.window_manager == "weston":
            self._start_weston()
        elif self.window_manager == "i3":
            # A bare i3: no bar, no key bindings, no first-start wizard.
            config = os.path.join(self.tmp, "i3.conf")
            with open(config, "w") as f:
                f.write("font pango:DejaVu Sans 8\n")
            self._spawn(["i3", "-c", config])
        else:
            self._spawn(["openbox", "--sm-disable"])
        # Generous: on a loaded machine (Wine prefixes being made beside) openbox can be slow.
        wait_until("the window manager",
                   lambda: "window id" in self.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"],
                                                   check=False), timeout=60)
        if self.compositor and self.window_manager != "weston":  # weston composites itself
            self.start_compositor()
        if self.accessibility:
            self._start_accessibility_bus()

    def _start_weston(self):
        """weston in a window filling Xvfb's screen above the pointer's strip, with XWayland, a
        plain background and nothing else that redraws the screen by itself (no panel and its
        clock, no animations)."""
        config = os.path.join(self.tmp, "weston.ini")
        with open(config, "w") as f:
            f.write("[core]\nidle-time=0\n"
                    "[shell]\npanel-position=none\nbackground-color=0xff3366aa\n"
                    "startup-animation=none\nclose-animation=none\nlocking=false\n")
        log = os.path.join(self.tmp, "weston.log")
        self._spawn(["weston", "--backend=x11-backend.so", "--use-pixman", "--xwayland",
                     f"--width={self.width}", f"--height={self.height}", f"--config={config}",
                     f"--socket=pelwick-{os.getpid()}-{id(self)}", f"--log={log}"])

        def xwayland_display():
            try:
                with open(log) as f:
                    found = re.search(r"xserver listening on display (:\d+)", f.read())
            except FileNotFoundError:
                return None
            return found and found.group(1)

        self.screen_env = dict(self.env)
        self.env["DISPLAY"] = wait_until("weston's XWayland", xwayland_display, timeout=60)
        self.display = self.env["DISPLAY"]
        # weston follows the pointer from where it enters its window: in from the strip below.
        wait_until("weston's window", lambda: self.run(
            ["xdotool", "search", "--onlyvisible", "--class", "Weston Compositor"], check=False,
            env=self.screen_env))
        self.move_pointer(0, self.height + WESTON_POINTER_STRIP // 2)
        self.move_pointer(self.width // 2, self.height // 2)

    def compositing(self):
        return bool(_Xlib().selection_owner(self.display, "_NET_WM_CM_S0"))

    def start_compositor(self):
        self.compositor_proc = self._spawn(["xcompmgr"])
        wait_until("the compositing manager", self.compositing)

    def stop_compositor(self):
        os.killpg(self.compositor_proc.pid, signal.SIGTERM)
        self.compositor_proc.wait(timeout=10)
        wait_until("no compositing manager", lambda: not self.compositing())

    def kill_x_server(self):
        self.procs[0].kill()
        self.procs[0].wait()

    def _start_accessibility_bus(self):
        # A session bus that starts no service on demand: what this machine happens to have
        # installed (a notification daemon, say) must not answer in place of the test's own.
        config = os.path.join(self.tmp, "session-bus.conf")
        with open(config, "w") as f:
            f.write('<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>'
                    '<auth>EXTERNAL</auth><policy context="default">'
                    '<allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/>'
                    '<allow own="*"/></policy></busconfig>')
        bus = self._spawn(["dbus-daemon", f"--config-file={config}", "--nofork",
                           "--print-address=1"], stdout=subprocess.PIPE, text=True)
        address = bus.stdout.readline().strip()
        if not address:
            raise RuntimeError("no private D-Bus session")
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address
        self.env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        self.env["QT_ACCESSIBILITY"] = "1"
        self.env["NO_AT_BRIDGE"] = "0"
        launcher = "/usr/libexec/at-spi-bus-launcher"
        self._spawn([launcher, "--launch-immediately"])
        wait_until("the accessibility bus", lambda: self._atspi_bus_ready())

    def _atspi_bus_ready(self):
        out = self.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                        "/org/a11y/bus", "org.a11y.Bus.GetAddress"], check=False)
        return "unix:" in out

    def close(self):
        for proc in reversed(self.procs):
            if proc.poll() is None:
                try:
                    os.killpg(proc.pid, signal.SIGTERM)
                except ProcessLookupError:
                    pass
        for proc in reversed(self.procs):
            try:
                proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                os.killpg(proc.pid, signal.SIGKILL)
                proc.wait()
        self.procs.clear()
        shutil.rmtree(self.tmp, ignore_errors=True)

    # -- looking ------------------------------------------------------------------------------

    def run(self, argv, check=True, env=None):
        done = subprocess.run(argv, env=env or self.env, stdin=subprocess.DEVNULL,
                              capture_output=True, text=True, timeout=30)
        if check and done.returncode != 0:
            raise RuntimeError(f"{argv[0]} failed: {done.stderr.strip()}")
        return done.stdout

    def windows(self, name, pid=None):
        """Ids of the mapped windows titled exactly `name` (of the process `pid`, if given)."""
        argv = ["xdotool", "search", "--onlyvisible", "--name", f"^{re.escape(name)}$"]
        if pid is not None:
            # --all: both conditions must hold, not either.
            argv[2:2] = ["--all", "--pid", str(pid)]
        out = self.run(argv, check=False)
        return [int(w) for w in out.split()]

    def all_windows(self, pid):
        """Ids of every mapped window of a process, popups included."""
        out = self.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid), "--class", "."],
                       check=False)
        return [int(w) for w in out.split()]

    def wait_window(self, name, pid=None, timeout=30.0):
        return wait_until(f"a window '{name}'", lambda: (self.windows(name, pid) or [None])[0],
                          timeout=timeout)

    def wait_no_window(self, name, pid=None, timeout=30.0):
        wait_until(f"no window '{name}'", lambda: not self.windows(name, pid), timeout=timeout)

    def geometry(self, wid):
        """(x, y, width, height) of the window's client area on the screen."""
        out = self.run(["xwininfo", "-id", str(wid)])
        value = {}
        for key, pattern in (("x", r"Absolute upper-left X:\s+(-?\d+)"),
                             ("y", r"Absolute upper-left Y:\s+(-?\d+)"),
                             ("w", r"Width:\s+(\d+)"), ("h", r"Height:\s+(\d+)")):
            value[key] = int(re.search(pattern, out).group(1))
        return value["x"], value["y"], value["w"], value["h"]

    def frame_geometry(self, wid):
        """(x, y, width, height) of the window with the frame the window manager gave it."""
        x, y, w, h = self.geometry(wid)
        found = re.search(r"= (\d+), (\d+), (\d+), (\d+)", self.prop(wid, "_NET_FRAME_EXTENTS"))
        left, right, top, bottom = map(int, found.groups()) if found else (0, 0, 0, 0)
        return x - left, y - top, w + left + right, h + top + bottom

    def prop(self, wid, name):
        return self.run(["xprop", "-id", str(wid), name], check=False)

    def net_wm_state(self, wid):
        return set(re.findall(r"_NET_WM_STATE_\w+", self.prop(wid, "_NET_WM_STATE")))

    def screenshot(self, path, wid=None):
        if wid is None:
            self.run(["import", "-window", "root", path], env=self.screen_env)
        else:
            self.run(["import", "-window", str(wid), path])

    def pixels(self, x, y, w, h):
        """The settled pixels of a rectangle of the screen, as RGB triples."""
        argv = ["import", "-window", "root", "-crop", f"{w}x{h}+{x}+{y}", "-depth", "8", "rgb:-"]
        frames = [None]

        def probe():
            frames.append(subprocess.run(argv, env=self.screen_env, capture_output=True,
                                         check=True).stdout)
            return frames[-1] if frames[-1] == frames[-2] else None

        raw = wait_until("the screen to settle", probe, interval=0.2)
        return [raw[i:i + 3] for i in range(0, len(raw), 3)]

    # -- acting -------------------------------------------------------------------------------

    def xdotool(self, *argv):
        self.run(["xdotool", *argv], env=self.screen_env)

    def double_click_trembling(self, tremble=2):
        """A left double-click in which each click moves the pointer by `tremble` pixels."""
        self.xdotool("mousedown", "1", "mousemove_relative", str(tremble), "0", "mouseup", "1",
                     "sleep", "0.08", "mousedown", "1", "mousemove_relative", "--", str(-tremble),
                     "0", "mouseup", "1")

    def move_pointer(self, x, y):
        self.xdotool("mousemove", "--sync", str(x), str(y))

    def click(self, x, y, button=1):
        self.move_pointer(x, y)
        self.xdotool("click", str(button))

    def press(self, button=1):
        self.xdotool("mousedown", str(button))

    def release(self, button=1):
        self.xdotool("mouseup", str(button))

    def type_text(self, text):
        self.xdotool("type", "--delay", "20", text)

    def key(self, *names):
        self.xdotool("key", "--delay", "20", *names)
