"""Pelwick end to end, as a person uses it: the real executable on an X desktop with a window
manager and a compositor, driven with the pointer and the keyboard, and read back through the
screen, the window manager's properties, the accessibility tree and the settings hive."""

import datetime
import json
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import desktop  # noqa: E402
import hive  # noqa: E402

PELWICK = os.environ.get("PELWICK", "pelwick")
# The test and the program must agree on local time: the stored figures are local wall-clock.
os.environ.setdefault("TZ", "Europe/Berlin")
time.tzset()
HERE = os.path.dirname(os.path.abspath(__file__))

SCREEN_W, SCREEN_H = 1920, 1080
TICKER = (817, 526, 286, 29)
WIZARD = (466, 142, 987, 795)
# Points inside the wizard's client area, from its layout.
BANNER = (493, 130)
BUTTON_NEXT = (894, 754)
BUTTON_CANCEL = (105, 754)
FIRST_EDIT = (493, 380)   # the edit of the Name, DOB and quantity pages; the price field
SECOND_EDIT = (493, 524)  # the pack-count field of the price page


class Session:
    """One user's account: a private, empty settings folder and the running copies."""

    def __init__(self, desk):
        self.desk = desk
        self.config = tempfile.mkdtemp(prefix="pelwick-config-")
        self.copies = []

    def start(self, scale=None):
        env = dict(self.desk.env)
        env.update({"XDG_CONFIG_HOME": self.config, "LC_ALL": "de_DE.UTF-8",
                    "LANG": "de_DE.UTF-8", "TZ": os.environ["TZ"]})
        if scale is not None:
            env["QT_SCALE_FACTOR"] = str(scale)
        proc = subprocess.Popen([PELWICK], env=env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        self.copies.append(proc)
        return proc

    def close(self):
        for proc in self.copies:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
        shutil.rmtree(self.config, ignore_errors=True)


class PelwickTestCase(unittest.TestCase):
    accessibility = False
    compositor = True

    def setUp(self):
        self.use_desktop("openbox")

    def use_desktop(self, window_manager):
        """A fresh desktop with this window manager and a fresh account on it."""
        if hasattr(self, "desk"):
            self.session.close()
            self.desk.close()
        self.desk = desktop.Desktop(SCREEN_W, SCREEN_H, compositor=self.compositor,
                                    accessibility=self.accessibility,
                                    window_manager=window_manager)
        self.desk.__enter__()
        self.addCleanup(self.desk.close)
        self.session = Session(self.desk)
        self.addCleanup(self.session.close)

    # -- the user's view ----------------------------------------------------------------------

    def accessibles(self, app="pelwick"):
        out = self.desk.run(["/usr/bin/python3", os.path.join(HERE, "a11y_dump.py"), app])
        return json.loads(out or "[]")

    def wait_accessible(self, what, match, timeout=30):
        def probe():
            found = [a for a in self.accessibles() if match(a)]
            return found or None
        return desktop.wait_until(what, probe, timeout=timeout)

    def wait_text(self, text, timeout=30):
        return self.wait_accessible(
            f"'{text}' on the screen",
            lambda a: a["showing"] and (text in (a["name"] or "") or text in (a["text"] or "")),
            timeout=timeout)

    def wait_totals(self, per_day, price, per_pack, stop, copies=1, timeout=75):
        """Waits until `copies` labels show the totals of these figures for the present moment
        (within a minute's worth, since the moment moves on while the test runs)."""
        def fits(text):
            return hive.shows_totals(text, per_day, price, per_pack, stop)
        desktop.wait_until(f"{copies} ticker(s) showing the totals", lambda: len(
            [a for a in self.accessibles() if a["showing"] and fits(a["name"])]) >= copies,
            timeout=timeout)

    def wait_whole_beside(self, window, tick):
        desktop.wait_until("the window whole on the screen, clear of the ticker", lambda: (
            desktop.whole_beside(self.desk.frame_geometry(window), tick, SCREEN_W, SCREEN_H)),
            timeout=5)

    def at(self, wid, point, button=1):
        x, y, _, _ = self.desk.geometry(wid)
        self.desk.click(x + point[0], y + point[1], button)

    def open_menu_entry(self, ticker, index):
        """Right-click the cigarette and choose the index-th menu entry with the keyboard."""
        pid = int(self.desk.run(["xdotool", "getwindowpid", str(ticker)]).strip())
        before = len(self.desk.all_windows(pid))
        self.at(ticker, (143, 14), button=3)
        desktop.wait_until("the context menu", lambda: len(self.desk.all_windows(pid)) > before)
        self.desk.key(*(["Down"] * (index + 1)), "Return")

    def shape(self, wid):
        """The window's shape extents (width, height, x, y), or None when it has no shape."""
        out = self.desk.run(["xwininfo", "-shape", "-id", str(wid)])
        match = re.search(r"Window shape extents:\s+(\d+)x(\d+)\+(-?\d+)\+(-?\d+)", out)
        return tuple(int(g) for g in match.groups()) if match else None

    def wait_exit(self, proc, timeout=30):
        return proc.wait(timeout=timeout)


class FirstStart(PelwickTestCase):
    accessibility = True

    def test_wizard_stores_the_figures_and_the_ticker_follows(self):
        pelwick = self.session.start()
        wizard = self.desk.wait_window("Setup", pelwick.pid)
        self.assertEqual(self.desk.geometry(wizard), WIZARD)
        self.assertEqual(self.desk.windows("FormMain", pelwick.pid), [],
                         "the ticker must not show before the wizard is done")

        # What a screen-reader user meets first.
        self.wait_text("Herzliche Gratulation zu deiner Entscheidung")
        self.wait_text("Weiter >>")

        self.at(wizard, BANNER)
        self.at(wizard, BUTTON_NEXT)
        prompts = [
            ("Wie lautet dein Name?", "Alex Beispiel"),
            ("In welchem Jahr wurdest du geboren?", "1980"),
            ("Wieviele Zigaretten hast du pro Tag geraucht?", "20"),
        ]
        for prompt, answer in prompts:
            self.wait_text(prompt)
            edits = self.wait_accessible(
                f"an edit named '{prompt}'",
                lambda a, p=prompt: a["showing"] and a["role"] in ("text", "entry")
                and a["name"] == p)
            self.assertEqual(len(edits), 1)
            self.desk.key("ctrl+a")  # over the "0" that an empty store fills in
            self.desk.type_text(answer)
            self.desk.key("Return")

        self.wait_text("Wie hoch war der Preis einer Packung?")
        self.wait_text("Wieviele Zigaretten waren in einer Packung?")
        self.desk.key("ctrl+a")
        self.desk.type_text("6,5")
        self.desk.key("Return")  # to the pack-count field
        self.desk.key("ctrl+a")
        self.desk.type_text("20")
        self.desk.key("Return")

        self.wait_text("An welchem Tag hast du mit dem Rauchen aufgeh\u00f6rt?")
        self.wait_text("Fertig")
        self.at(wizard, BUTTON_NEXT)

        ticker = self.desk.wait_window("FormMain", pelwick.pid)
        self.desk.wait_no_window("Setup", pelwick.pid)
        self.assertEqual(self.desk.geometry(ticker), TICKER)
        state = self.desk.net_wm_state(ticker)
        self.assertTrue({"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_SKIP_TASKBAR",
                         "_NET_WM_STATE_SKIP_PAGER"} <= state, state)

        today = datetime.datetime.combine(datetime.date.today(), datetime.time())
        self.assertEqual(hive.read(self.session.config), {
            "UserName": hive.sz("Alex Beispiel"),
            "UserDOB": hive.sz("1980"),
            "CigConsQty": hive.dword(20),
            "CigBoxPrice": (hive.REG_BINARY, bytes.fromhex("0000000000001a40")),
            "CigBoxQty": hive.dword(20),
            "UserStopTime": hive.binary_double(hive.date_time(today)),
            "SetupCompl": (hive.REG_DWORD, bytes.fromhex("01000000")),
        })
        # Quit today: nothing saved yet, or a few hours' worth.
        self.wait_accessible("the totals on the ticker",
                             lambda a: a["showing"] and (a["name"] or "").endswith("\u20ac"))

        # The finished setup turned the start at sign-in on: an entry that a session-start
        # runner takes as it is and that starts this program.
        entry = os.path.join(self.session.config, "autostart", "de.korvenda.Pelwick.desktop")
        self.desk.run(["desktop-file-validate", entry])
        with open(entry, encoding="utf-8") as f:
            self.assertIn(f'Exec="{os.path.realpath(PELWICK)}"\n', f.read())
        # dex returns once it started the program, which keeps no pipe of the test's open.
        subprocess.run(["dex", "--autostart", "--search-paths", os.path.dirname(entry)],
                       env=dict(self.desk.env, XDG_CONFIG_HOME=self.session.config,
                                LC_ALL="de_DE.UTF-8", TZ=os.environ["TZ"]),
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=True, timeout=30)
        desktop.wait_until("a second ticker, started at sign-in", lambda: len(
            [w for w in self.desk.windows("FormMain") if w != ticker]) == 1)


class Running(PelwickTestCase):
    accessibility = True

    def test_thirty_days_show_the_totals_and_beenden_quits_with_0(self):
        hive.write(self.session.config, hive.figures())
        pelwick = self.session.start()
        ticker = self.desk.wait_window("FormMain", pelwick.pid)
        self.assertEqual(self.desk.windows("Setup", pelwick.pid), [])
        self.wait_text("    600      195,00\u20ac")
        self.desk.screenshot(os.path.join(self.desk.tmp, "ticker.png"))
        # A compositing manager draws its transparency: the window is left whole.
        self.assertIsNone(self.shape(ticker))
        # Its pictures are read by the format their names give, which loads no image plugin.
        with open(f"/proc/{pelwick.pid}/maps") as maps:
            self.assertNotIn("/imageformats/", maps.read())

        # Resting on the cigarette opens its tooltip, though the ticker is not the active
        # window; it closes when the pointer leaves.
        before = len(self.desk.all_windows(pelwick.pid))
        x, y, _, _ = self.desk.geometry(ticker)
        self.desk.move_pointer(x + 200, y + 20)
        desktop.wait_until("the tooltip", lambda: len(self.desk.all_windows(pelwick.pid)) > before,
                           timeout=10)
        self.desk.move_pointer(0, 0)
        desktop.wait_until("the tooltip to close",
                           lambda: len(self.desk.all_windows(pelwick.pid)) == before)

        self.open_menu_entry(ticker, 0)  # "Beenden"
        self.assertEqual(self.wait_exit(pelwick), 0)

    def test_a_pack_size_of_0_is_reported_and_can_be_repaired(self):
        hive.write(self.session.config, hive.figures(per_pack=0))
        pelwick = self.session.start()
        self.wait_text("Gleitkommadivision durch Null.")
        self.desk.key("Return")  # the box's "OK"
        ticker = self.desk.wait_window("FormMain", pelwick.pid)
        self.wait_text("123")
        self.assertIsNone(pelwick.poll(), "the ticker must keep running")

        self.open_menu_entry(ticker, 1)  # "Einstellungen"
        self.desk.wait_window("Setup", pelwick.pid)
        # The wizard has the keyboard at once: to "Weiter >>" and press it, Start -> Name.
        self.desk.key("Tab", "space")
        self.wait_text("Wie lautet dein Name?")
        self.desk.key("ctrl+a")
        self.desk.type_text("Berta")
        for _ in range(3):                                 # Name, DOB, quantity
            self.desk.key("Return")
        self.wait_text("Wie hoch war der Preis einer Packung?")
        self.desk.key("Return")
        self.desk.key("ctrl+a")
        self.desk.type_text("20")
        self.desk.key("Return")
        self.wait_text("Fertig")
        wizard = self.desk.wait_window("Setup", pelwick.pid)
        self.at(wizard, BUTTON_NEXT)
        self.desk.wait_no_window("Setup", pelwick.pid)
        stored = hive.read(self.session.config)
        self.assertEqual(stored["CigBoxQty"], hive.dword(20))
        self.assertEqual(stored["UserName"], hive.sz("Berta"))
        # The next tick, at most a minute later, shows the repaired figures.
        # Finishing stores the calendar's day at 00:00 as the stop date.
        stop = datetime.datetime.combine(datetime.date.today() - datetime.timedelta(days=30),
                                         datetime.time())
        self.wait_totals(20, 6.5, 20, stop)


class Scaled(PelwickTestCase):
    def test_at_150_percent_the_first_start_wizard_lies_on_the_screen_and_is_finished(self):
        pelwick = self.session.start(scale=1.5)
        wizard = self.desk.wait_window("Setup", pelwick.pid)
        # 987 x 795 at 150 % would be 1481 x 1193: drawn at 1080 / 1193 of that, centred.
        x, y, w, h = self.desk.geometry(wizard)
        self.assertEqual((x, y, w, h), (290, 0, 1341, 1080))
        self.desk.screenshot(os.path.join(self.desk.tmp, "scaled.png"))

        def at(point):
            self.at(wizard, (point[0] * w // 987, point[1] * h // 795))

        def answer(point, text):
            at(point)
            self.desk.key("ctrl+a")
            self.desk.type_text(text)

        at(BUTTON_NEXT)
        for text in ("Alex", "1980", "20"):
            answer(FIRST_EDIT, text)
            at(BUTTON_NEXT)
        answer(FIRST_EDIT, "6,5")
        answer(SECOND_EDIT, "20")
        at(BUTTON_NEXT)
        desktop.wait_until("the price page stored", lambda: hive.read(
            self.session.config).get("CigBoxQty") == hive.dword(20))
        at(BUTTON_NEXT)  # "Fertig"
        ticker = self.desk.wait_window("FormMain", pelwick.pid)
        stored = hive.read(self.session.config)
        self.assertEqual(stored["UserName"], hive.sz("Alex"))
        self.assertEqual(stored["CigBoxQty"], hive.dword(20))
        self.assertEqual(stored["SetupCompl"], (hive.REG_DWORD, bytes.fromhex("01000000")))

        # Dein Fortschritt at this scale does not fit beside the centred ticker as designed:
        # drawn smaller, it lies there whole.
        tick = self.desk.geometry(ticker)
        self.desk.move_pointer(tick[0] + 60, tick[1] + tick[3] // 2)
        self.desk.xdotool("click", "--repeat", "2", "--delay", "80", "1")
        self.wait_whole_beside(self.desk.wait_window("Dein Fortschritt", pelwick.pid), tick)


class WithoutCompositor(PelwickTestCase):
    compositor = False

    def test_the_window_is_cut_to_the_cigarette(self):
        # Or its transparent parts would be drawn black.
        hive.write(self.session.config, hive.figures())
        pelwick = self.session.start()
        ticker = self.desk.wait_window("FormMain", pelwick.pid)
        extents = self.shape(ticker)
        self.assertIsNotNone(extents, "no shape")
        w, h, x, y = extents
        # Inside the 286 x 29 window and smaller: the transparent margin is cut off.
        self.assertLessEqual(x + w, 286)
        self.assertLessEqual(y + h, 29)
        self.assertLess(w * h, 286 * 29)
        self.assertGreater(w, 250)


class CompositorComesAndGoes(PelwickTestCase):
    BACKGROUND = bytes.fromhex("3366aa")

    def pixels(self, wid):
        return self.desk.pixels(*self.desk.geometry(wid))

    def test_the_ticker_follows_without_black_where_the_desktop_shows(self):
        self.desk.run(["hsetroot", "-solid", "#" + self.BACKGROUND.hex()])
        hive.write(self.session.config, hive.figures())
        pelwick = self.session.start()
        ticker = self.desk.wait_window("FormMain", pelwick.pid)
        desktop_shows = [i for i, px in enumerate(self.pixels(ticker)) if px == self.BACKGROUND]
        self.assertGreater(len(desktop_shows), 300)

        for running, switch in ((False, self.desk.stop_compositor),
                                (True, self.desk.start_compositor)):
            switch()
            # Cut to the picture without one, whole with one: within a second.
            desktop.wait_until("the ticker to follow the compositor",
                               lambda: (self.shape(ticker) is None) == running, timeout=1)
            shown = self.pixels(ticker)
            black = [i for i in desktop_shows if shown[i] == b"\0\0\0"]
            self.assertEqual(len(black), 0, f"compositing {running}: black at {black[:10]}")
        self.assertIsNone(pelwick.poll())


class Ending(PelwickTestCase):
    def test_a_session_that_ends_ends_it_with_0_and_the_store_as_it_was(self):
        hive.write(self.session.config, hive.figures())
        stored = hive.read(self.session.config)
        # The X server last: the desktop goes with it.
        for how in ("SIGTERM", "SIGINT", "SIGHUP", "the X server killed"):
            with self.subTest(how):
                pelwick = self.session.start()
                self.desk.wait_window("FormMain", pelwick.pid)
                if how.startswith("SIG"):
                    pelwick.send_signal(getattr(signal, how))
                else:
                    self.desk.kill_x_server()
                # 0, not a signal's status, so no crash and no core.
                self.assertEqual(self.wait_exit(pelwick), 0, pelwick.stderr.read())
                self.assertEqual(hive.read(self.session.config), stored)


class Stacking(PelwickTestCase):
    def stacking(self):
        """The managed windows from the bottom up, as the window manager stacks them."""
        out = self.desk.run(["xprop", "-root", "_NET_CLIENT_LIST_STACKING"])
        return [int(w, 16) for w in re.findall(r"0x[0-9a-f]+", out)]

    def test_the_ticker_stays_above_the_wizard_from_its_menu_and_takes_no_input(self):
        hive.write(self.session.config, hive.figures())
        pelwick = self.session.start()
        ticker = self.desk.wait_window("FormMain", pelwick.pid)
        self.open_menu_entry(ticker, 1)  # "Einstellungen"
        wizard = self.desk.wait_window("Setup", pelwick.pid)
        # The ticker lies in the middle of the wizard, and above it.
        desktop.wait_until("both windows managed", lambda: {ticker, wizard} <= set(
            self.stacking()))
        order = self.stacking()
        self.assertGreater(order.index(ticker), order.index(wizard), order)
        self.assertIn("_NET_WM_STATE_ABOVE", self.desk.net_wm_state(ticker))

        # A drag that starts on the ticker moves neither window while the wizard is open.
        before = self.desk.geometry(wizard), self.desk.geometry(ticker)
        x, y, _, _ = self.desk.geometry(ticker)
        self.desk.move_pointer(x + 40, y + 14)
        self.desk.press(1)
        for step in range(1, 6):
            self.desk.move_pointer(x + 40 + 20 * step, y + 14 + 10 * step)
        self.desk.release(1)
        time.sleep(0.3)
        self.assertEqual((self.desk.geometry(wizard), self.desk.geometry(ticker)), before)

        self.at(wizard, BUTTON_CANCEL)
        self.desk.wait_no_window("Setup", pelwick.pid)
        self.assertIsNone(pelwick.poll())


class Dragging(PelwickTestCase):
    def drag(self, ticker, button, dx, dy):
        x, y, _, _ = self.desk.geometry(ticker)
        self.desk.move_pointer(x + 40, y + 14)
        self.desk.press(button)
        for step in range(1, 6):
            self.desk.move_pointer(x + 40 + dx * step // 5, y + 14 + dy * step // 5)
        self.desk.release(button)

    def test_left_button_drags_other_buttons_do_not(self):
        # i3 floats a window of fixed size, at first by its own rules of place and least size.
        # weston draws some kinds of window only when something else is drawn, keeps a window
        # where it was made and carries out none of its own moves.
        for window_manager in ("openbox", "i3", "weston"):
            with self.subTest(window_manager):
                self.use_desktop(window_manager)
                hive.write(self.session.config, hive.figures())
                desk_only = self.desk.pixels(*TICKER)
                pelwick = self.session.start()
                ticker = self.desk.wait_window("FormMain", pelwick.pid)
                desktop.wait_until("the ticker in the centre at its size",
                                   lambda: self.desk.geometry(ticker) == TICKER, timeout=5)
                x, y, w, h = TICKER
                # Its picture at once: all but its transparent edges (600 pixels) cover the desk.
                desktop.wait_until("the ticker's picture on the screen", lambda: sum(
                    a != b for a, b in zip(self.desk.pixels(*TICKER), desk_only)) > 7000,
                    timeout=5)

                self.drag(ticker, 1, 150, -90)
                desktop.wait_until("the ticker to follow the pointer",
                                   lambda: self.desk.geometry(ticker) == (x + 150, y - 90, w, h))

                self.drag(ticker, 2, -60, 40)
                self.assertEqual(self.desk.geometry(ticker), (x + 150, y - 90, w, h))

                self.drag(ticker, 3, -60, 40)
                self.desk.key("Escape")  # the menu the right button opened
                self.assertEqual(self.desk.geometry(ticker), (x + 150, y - 90, w, h))

                if window_manager == "weston":
                    continue
                # The wizard from the menu lands centred, as the ticker did.
                self.open_menu_entry(ticker, 1)  # "Einstellungen"
                wizard = self.desk.wait_window("Setup", pelwick.pid)
                desktop.wait_until("the wizard in the centre at its size",
                                   lambda: self.desk.geometry(wizard) == WIZARD, timeout=5)
                self.at(wizard, BUTTON_CANCEL)
                self.desk.wait_no_window("Setup", pelwick.pid)
                self.assertIsNone(pelwick.poll())


class Progress(PelwickTestCase):
    accessibility = True

    def test_a_double_click_shows_the_progress_and_a_relapse_counts_anew(self):
        stop = datetime.datetime.now() - datetime.timedelta(days=30)
        hive.write(self.session.config, hive.figures(stop=stop))
        pelwick = self.session.start()
        ticker = self.desk.wait_window("FormMain", pelwick.pid)
        self.wait_text("    600      195,00\u20ac")
        # A double-click by a trembling hand: each click moves the pointer by 2 pixels.
        placed = self.desk.geometry(ticker)
        self.desk.move_pointer(placed[0] + 40, placed[1] + 14)
        self.desk.double_click_trembling()
        window = self.desk.wait_window("Dein Fortschritt", pelwick.pid)
        self.assertEqual(self.desk.geometry(ticker), placed)
        self.wait_text(f"Rauchfrei seit {stop:%d.%m.%Y}, 30 Tage, 0 Stunden")
        self.wait_text("600 Zigaretten nicht geraucht")
        self.wait_text("Gewonnene Lebenszeit: etwa 8 Tage, 8 Stunden")
        self.wait_text("Noch keine fr\u00fcheren Versuche.")
        # An ordinary window: framed, on the task bar, not above others, whole on the screen
        # where the ticker (in the centre, above every window) does not cover it.
        state = self.desk.net_wm_state(window)
        self.assertNotIn("_NET_WM_STATE_ABOVE", state)
        self.assertNotIn("_NET_WM_STATE_SKIP_TASKBAR", state)
        tick = self.desk.geometry(ticker)
        self.wait_whole_beside(window, tick)
        # The later milestones are texts like the others, not disabled controls.
        self.assertTrue(all(a["enabled"] for a in self.accessibles()
                            if a["showing"] and a["role"] == "label"))

        # The start at sign-in, off since no setup was finished here: on and off at once.
        entry = os.path.join(self.session.config, "autostart", "de.korvenda.Pelwick.desktop")
        self.wait_text("Pelwick bei der Anmeldung starten")
        self.assertFalse(os.path.exists(entry))
        self.desk.key("shift+Tab", "shift+Tab", "space")  # from "Schlie\u00dfen" to the box
        desktop.wait_until("the autostart entry", lambda: os.path.exists(entry), timeout=10)
        self.desk.key("space")
        desktop.wait_until("no autostart entry", lambda: not os.path.exists(entry), timeout=10)

        self.desk.key("Tab", "Return")  # on to the relapse: Enter presses it
        self.wait_text(f"Deinen Versuch seit {stop:%d.%m.%Y} (30 Tage) in den Verlauf legen")
        yes = self.wait_accessible("the question's Ja", lambda a: a["showing"] and a[
            "role"] == "push button" and a["name"] == "Ja")[0]
        self.assertFalse(desktop.meet(yes["extents"], tick))
        self.desk.key("Tab", "space")  # from "Nein" to "Ja"
        self.wait_text("      0        0,00\u20ac", timeout=10)  # the ticker, at once
        now = hive.date_time(datetime.datetime.now())
        stored = hive.read(self.session.config)
        self.assertAlmostEqual(struct.unpack("<d", stored["UserStopTime"][1])[0], now,
                               delta=1 / 1440)
        history = hive.read(self.session.config, hive.KEY + "\\Verlauf")
        self.assertEqual(list(history), ["00"])
        kind, data = history["00"]
        self.assertEqual(kind, hive.REG_BINARY)
        start, end, cigarettes, money = hive.quit_attempt(data)
        self.assertEqual(start, hive.date_time(stop))
        self.assertAlmostEqual(end, now, delta=1 / 1440)
        self.assertAlmostEqual(cigarettes, 600, delta=1)
        self.assertAlmostEqual(money, cigarettes * 6.5 / 20, delta=0.01)
        self.wait_text(f"{stop:%d.%m.%Y} bis {datetime.date.today():%d.%m.%Y}: 30 Tage, 0 Stunden")

        self.desk.key("Escape")
        self.desk.wait_no_window("Dein Fortschritt", pelwick.pid)

        def open_again():
            self.desk.move_pointer(placed[0] + 40, placed[1] + 14)
            self.desk.xdotool("click", "--repeat", "2", "--delay", "80", "1")

        # Totals the ticker cannot compute: its box, then the window says the same, no totals.
        hive.update(self.session.config, {"CigBoxQty": hive.dword(0)})
        open_again()
        box = self.wait_accessible("the ticker's box", lambda a: a["showing"] and a[
            "role"] == "label" and a["name"] and "Null" in a["name"])[0]["name"]
        self.desk.key("Return")
        self.desk.wait_window("Dein Fortschritt", pelwick.pid)
        self.wait_text(box)
        names = [a["name"] for a in self.accessibles() if a["showing"]]
        self.assertFalse([n for n in names if "gespart" in n or "Lebenszeit" in n], names)
        self.desk.key("Escape")
        self.desk.wait_no_window("Dein Fortschritt", pelwick.pid)

        # A stop day ahead: when it comes and how long until then, no totals.
        ahead = datetime.datetime.now() + datetime.timedelta(days=5, minutes=30)
        hive.update(self.session.config, {
            "CigBoxQty": hive.dword(20), "UserStopTime": hive.binary_double(hive.date_time(ahead))})
        open_again()
        self.desk.wait_window("Dein Fortschritt", pelwick.pid)
        self.wait_text(f"Rauchfrei ab {ahead:%d.%m.%Y}, noch 5 Tage, 0 Stunden")
        names = [a["name"] for a in self.accessibles() if a["showing"]]
        self.assertFalse([n for n in names if "gespart" in n or "Lebenszeit" in n], names)
        self.desk.key("Escape")
        self.assertIsNone(pelwick.poll())


class Notices(PelwickTestCase):
    """A health milestone arrives while Pelwick runs: the notice comes once at the minute's
    tick, and a click on it shows the progress."""
    accessibility = True  # the private session bus, and the balloon's texts read back
    PULSE = "20 Minuten rauchfrei: Dein Puls und dein Blutdruck sinken."

    def start_before_the_milestone(self):
        # Pelwick ran before this attempt's first milestone; the first tick comes a minute
        # after start, by when 20 minutes have passed.
        stop = datetime.datetime.now() - datetime.timedelta(minutes=20, seconds=-30)
        hive.write(self.session.config, hive.figures(stop=stop),
                   told=hive.milestones_told(stop, 0))
        pelwick = self.session.start()
        self.desk.wait_window("FormMain", pelwick.pid)
        return pelwick

    def test_through_the_notification_service_once_and_its_click_shows_the_progress(self):
        record = os.path.join(self.desk.tmp, "notices.jsonl")
        service = subprocess.Popen(
            ["/usr/bin/python3", os.path.join(HERE, "notifications.py"), record], env=self.desk.env,
            stdout=subprocess.PIPE, text=True, start_new_session=True)
        self.addCleanup(service.wait)
        self.addCleanup(service.kill)
        self.assertEqual(service.stdout.readline().strip(), "ready")
        pelwick = self.start_before_the_milestone()

        def notices():
            if not os.path.exists(record):
                return []
            with open(record, encoding="utf-8") as f:
                return [json.loads(line) for line in f]
        desktop.wait_until("a notice", notices, timeout=100)
        notice, = notices()
        self.assertEqual((notice["app"], notice["icon"], notice["summary"], notice["body"]),
                         ("Pelwick", "pelwick", "Pelwick", self.PULSE))
        self.assertIn("default", notice["actions"])
        told = hive.read(self.session.config, hive.KEY + "\\Meilensteine")
        self.assertEqual(told["Gemeldet"], hive.dword(1))
        self.assertFalse(self.desk.windows("Pelwick", pelwick.pid))  # no balloon as well

        service.send_signal(signal.SIGUSR1)
        self.desk.wait_window("Dein Fortschritt", pelwick.pid)

    def test_without_a_service_a_balloon_at_the_ticker_until_a_click(self):
        pelwick = self.start_before_the_milestone()
        # The window first, as it comes (it closes by itself after 20 s); then what it says.
        balloon = self.desk.wait_window("Pelwick", pelwick.pid, timeout=100)
        self.wait_text(self.PULSE, timeout=15)
        x, y, w, h = self.desk.geometry(balloon)
        tx, ty, tw, th = self.desk.geometry(self.desk.windows("FormMain", pelwick.pid)[0])
        self.assertEqual(y, ty + th)  # just below the ticker
        self.assertLessEqual(abs(x + w // 2 - (tx + tw // 2)), 1)
        self.desk.click(x + w // 2, y + h // 2)
        self.desk.wait_no_window("Pelwick", pelwick.pid)
        self.desk.wait_window("Dein Fortschritt", pelwick.pid)


class TwoCopies(PelwickTestCase):
    accessibility = True

    def test_both_run_and_share_what_the_wizard_stores(self):
        hive.write(self.session.config, hive.figures())
        first = self.session.start()
        ticker1 = self.desk.wait_window("FormMain", first.pid)
        second = self.session.start()
        self.desk.wait_window("FormMain", second.pid)
        totals = "    600      195,00\u20ac"
        desktop.wait_until("both copies showing the totals", lambda: len(
            [a for a in self.accessibles() if a["name"] == totals]) == 2)

        # Change the cigarettes per day in the copy whose ticker lies on top (both lie at the
        # centre of the screen).
        self.open_menu_entry(ticker1, 1)
        wizard = self.desk.wait_window("Setup")
        self.at(wizard, BANNER)
        self.at(wizard, BUTTON_NEXT)
        self.desk.key("Return")  # name as stored
        self.desk.key("Return")  # birth year as stored
        self.wait_text("Wieviele Zigaretten hast du pro Tag geraucht?")
        self.desk.key("ctrl+a")
        self.desk.type_text("40")
        self.desk.key("Return")
        self.desk.key("Return")  # price as stored, to the pack count
        self.desk.key("Return")  # pack count as stored
        self.wait_text("Fertig")
        self.at(wizard, BUTTON_NEXT)
        self.desk.wait_no_window("Setup")

        # Finishing stores the calendar's day at 00:00 as the stop date.
        stop = datetime.datetime.combine(datetime.date.today() - datetime.timedelta(days=30),
                                         datetime.time())
        self.wait_totals(40, 6.5, 20, stop, copies=2)
        self.assertIsNone(first.poll())
        self.assertIsNone(second.poll())


if __name__ == "__main__":
    unittest.main()
