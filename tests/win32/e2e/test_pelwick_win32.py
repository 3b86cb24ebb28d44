"""pelwick.exe end to end under Wine, as a person uses it: the real executable on an X desktop
with a window manager and a compositor, driven only with xdotool, and read back through the
window texts (a second program in the same Wine prefix), the registry (`reg query`) and the
screen."""

import datetime
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "e2e"))

import desktop  # noqa: E402
import hive  # noqa: E402

PELWICK = os.environ.get("PELWICK_EXE", "pelwick.exe")
WINDOW_TEXTS = os.environ.get("WINDOW_TEXTS", "window-texts.exe")
WINE = os.environ.get("WINE", "/usr/lib/wine/wine64")
WINESERVER = os.environ.get("WINESERVER", "wineserver")
MAKE_PREFIX = os.path.join(HERE, "..", "make-prefix.sh")
# The test and the program must agree on local time: the stored figures are local wall-clock.
os.environ.setdefault("TZ", "Europe/Berlin")
time.tzset()

KEY = "HKCU\\Software\\Korvenda\\Pelwick"
SCREEN_W, SCREEN_H = 1920, 1080
TICKER = (817, 526, 286, 29)
WIZARD = (466, 142, 987, 795)
# Points inside the wizard's client area, from its layout.
BANNER = (493, 130)
BUTTON_NEXT = (894, 754)
FIRST_EDIT = (493, 380)   # the edit of the Name, DOB and quantity pages; the price field
SECOND_EDIT = (493, 524)  # the pack-count field of the price page


class Session:
    """One user's account: a private Wine prefix (the registry with it) and the running copies."""

    def __init__(self, desk):
        self.desk = desk
        self.home = tempfile.mkdtemp(prefix="pelwick-wine-")
        self.env = dict(desk.env)
        self.env.update({"WINEPREFIX": os.path.join(self.home, "prefix"), "WINEDEBUG": "-all",
                         "WINEDLLOVERRIDES": "mscoree,mshtml=", "LC_ALL": "de_DE.UTF-8",
                         "LANG": "de_DE.UTF-8", "TZ": os.environ["TZ"]})
        self.copies = []
        self.lister_failures = 0
        # The prefix is made once, before anything is timed or driven: a 64-bit Windows with its
        # 32-bit side on every machine (the script says how it made it).
        made = subprocess.run([MAKE_PREFIX, self.env["WINEPREFIX"]], env=self.env, check=True,
                              capture_output=True, text=True, timeout=300)
        print(made.stdout.strip())

    def run(self, argv, check=True):
        done = subprocess.run([WINE, *argv], env=self.env, capture_output=True, timeout=120)
        if check and done.returncode != 0:
            raise RuntimeError(f"{argv} failed: {done.stderr!r}")
        return done.stdout

    def start(self):
        proc = subprocess.Popen([WINE, PELWICK], env=self.env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.copies.append(proc)
        return proc

    def windows(self):
        """Every top-level window of the prefix, with its children, from window-texts.exe; none
        when the listing does not end within 30 s or Wine once fails to start it (the caller
        asks again); three such failures in a row raise, with what Wine said."""
        try:
            done = subprocess.run([WINE, WINDOW_TEXTS], env=self.env, capture_output=True,
                                  timeout=30, check=True)
        except subprocess.TimeoutExpired:
            return []
        except subprocess.CalledProcessError as failed:
            self.lister_failures += 1
            if self.lister_failures >= 3:
                raise RuntimeError(f"window-texts.exe failed {self.lister_failures} times in a "
                                   f"row ({failed.returncode}): {failed.stderr!r}") from failed
            return []
        self.lister_failures = 0
        out = done.stdout.decode("utf-8")
        return [json.loads(line) for line in out.splitlines() if line.startswith("{")]

    def texts(self, cls):
        """The texts of the visible child windows of the visible windows of class `cls`."""
        found = []
        for window in self.windows():
            if window["class"] == cls and window["visible"]:
                found += [c["text"] for c in window["children"] if c["visible"]]
        return found

    def top_level_texts(self, cls):
        """The texts of the visible top-level windows of class `cls`."""
        return [w["text"] for w in self.windows() if w["class"] == cls and w["visible"]]

    def wait_text(self, cls, text, exact=False, timeout=30):
        def probe():
            texts = self.texts(cls)
            return any((t == text) if exact else (text in t) for t in texts)
        desktop.wait_until(f"'{text}' in a {cls} window", probe, timeout=timeout)

    def label(self):
        for window in self.windows():
            if window["class"] == "TFormMain" and window["visible"]:
                return [c["text"] for c in window["children"] if c["class"] == "PelwickLabel"][0]
        return None

    def store(self, values, told=None):
        """Writes hive-style {name: (type, bytes)} into the key with one `reg import`: one
        process instead of one per value (a `reg add` now and then fails without a word)."""
        path = os.path.join(self.home, "figures.reg")
        hive.write_reg_file(path, values, told=told)
        done = subprocess.run([WINE, "reg", "import", path], env=self.env, capture_output=True,
                              timeout=120)
        if done.returncode != 0:
            raise RuntimeError(f"reg import failed ({done.returncode}): {done.stdout!r} "
                               f"{done.stderr!r}")

    def stored(self, key=KEY):
        """{name: (type, text)} as `reg query` prints them: DWORDs in hex, binaries as bytes."""
        out = self.run(["reg", "query", key], check=False).decode("latin-1")
        values = {}
        for line in out.splitlines():
            parts = line.strip().split(None, 2)
            if len(parts) >= 2 and parts[1].startswith("REG_"):
                values[parts[0]] = (parts[1], parts[2] if len(parts) > 2 else "")
        return values

    def store_figures(self, per_pack=20, complete=True):
        self.store(hive.figures(per_pack=per_pack, complete=complete))

    def close(self):
        for proc in self.copies:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
        subprocess.run([WINESERVER, "-k"], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        shutil.rmtree(self.home, ignore_errors=True)


class PelwickWindowsTestCase(unittest.TestCase):
    def setUp(self):
        self.desk = desktop.Desktop(SCREEN_W, SCREEN_H)
        self.desk.__enter__()
        self.addCleanup(self.desk.close)
        self.session = Session(self.desk)
        self.addCleanup(self.session.close)

    def at(self, wid, point, button=1):
        x, y, _, _ = self.desk.geometry(wid)
        self.desk.click(x + point[0], y + point[1], button)

    def open_menu_entry(self, ticker, index):
        """Right-click the cigarette and choose the index-th menu entry with the keyboard."""
        self.at(ticker, (143, 14), button=3)
        desktop.wait_until("the context menu", lambda: any(
            w["class"] == "#32768" and w["visible"] for w in self.session.windows()))
        self.desk.key(*(["Down"] * (index + 1)), "Return")

    def top_level(self, cls):
        """The first visible top-level window of class `cls`, with its children and rects."""
        return desktop.wait_until(f"a {cls} window", lambda: next(
            (w for w in self.session.windows() if w["class"] == cls and w["visible"]), None))

    def screenshot(self, name):
        folder = os.environ.get("PELWICK_SHOTS")
        if folder:
            os.makedirs(folder, exist_ok=True)
            self.desk.screenshot(os.path.join(folder, name))


class FirstStart(PelwickWindowsTestCase):
    def test_wizard_stores_the_exact_bytes_and_the_ticker_follows(self):
        pelwick = self.session.start()
        wizard = self.desk.wait_window("Setup", timeout=60)
        self.assertEqual(self.desk.geometry(wizard), WIZARD)
        self.assertEqual(self.desk.windows("FormMain"), [],
                         "the ticker must not show before the wizard is done")
        self.session.wait_text("TFormSetup", "Herzliche Gratulation zu deiner Entscheidung")
        self.session.wait_text("TFormSetup", "Weiter >>", exact=True)

        self.at(wizard, BANNER)
        self.at(wizard, BUTTON_NEXT)
        for prompt, answer in (("Wie lautet dein Name?", "Alex Beispiel"),
                               ("In welchem Jahr wurdest du geboren?", "19x80"),
                               ("Wieviele Zigaretten hast du pro Tag geraucht?", "20")):
            self.session.wait_text("TFormSetup", prompt, exact=True)
            self.desk.key("ctrl+a")  # over the "0" that an empty store fills in
            self.desk.type_text(answer)
            self.desk.key("Return")

        self.session.wait_text("TFormSetup", "Wie hoch war der Preis einer Packung?", exact=True)
        self.desk.key("ctrl+a")
        self.desk.type_text("6,5")
        self.desk.key("Return")  # to the pack-count field
        self.desk.key("ctrl+a")
        self.desk.type_text("20")
        self.desk.key("Return")
        self.session.wait_text("TFormSetup",
                               "An welchem Tag hast du mit dem Rauchen aufgeh\u00f6rt?", exact=True)
        self.session.wait_text("TFormSetup", "Fertig", exact=True)
        self.screenshot("first-start-finish.png")
        self.at(wizard, BUTTON_NEXT)

        ticker = self.desk.wait_window("FormMain")
        self.desk.wait_no_window("Setup")
        self.assertEqual(self.desk.geometry(ticker), TICKER)
        state = self.desk.net_wm_state(ticker)
        self.assertTrue({"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_SKIP_TASKBAR",
                         "_NET_WM_STATE_SKIP_PAGER"} <= state, state)

        today = datetime.datetime.combine(datetime.date.today(), datetime.time())
        self.assertEqual(self.session.stored(), {
            "UserName": ("REG_SZ", "Alex Beispiel"),
            "UserDOB": ("REG_SZ", "1980"),  # the letter was not typed
            "CigConsQty": ("REG_DWORD", "0x14"),
            "CigBoxPrice": ("REG_BINARY", "0000000000001A40"),
            "CigBoxQty": ("REG_DWORD", "0x14"),
            "UserStopTime": ("REG_BINARY",
                             struct.pack("<d", hive.date_time(today)).hex().upper()),
            "SetupCompl": ("REG_DWORD", "0x1"),
        })
        # Quit today: nothing saved yet, or a few hours' worth.
        desktop.wait_until("the totals on the ticker",
                           lambda: (self.session.label() or "").endswith("\u20ac"))
        self.assertIsNone(pelwick.poll())


class Running(PelwickWindowsTestCase):
    def test_thirty_days_show_the_totals_and_beenden_quits_with_0(self):
        self.session.store_figures()
        pelwick = self.session.start()
        ticker = self.desk.wait_window("FormMain", timeout=60)
        self.assertEqual(self.desk.windows("Setup"), [])
        self.assertEqual(self.desk.geometry(ticker), TICKER)
        desktop.wait_until("the totals",
                           lambda: self.session.label() == "    600      195,00\u20ac")
        self.screenshot("running.png")

        # Resting on the cigarette opens the tooltip with how long smoke-free and what comes
        # next (stored: quit 30 days ago at this time of day).
        x, y, _, _ = self.desk.geometry(ticker)
        self.desk.move_pointer(x + 200, y + 20)
        desktop.wait_until("the tooltip", lambda: any(
            t.startswith("30 Tage, 0 Stunden rauchfrei.\nAm ")
            for t in self.session.top_level_texts("tooltips_class32")), timeout=15)
        self.screenshot("tooltip.png")

        # The wizard from the menu has the keyboard without a click: to "Weiter >>" and press
        # it, a name typed and Enter, and Alt+F4, which the window manager hands to the window
        # that has the keyboard, cancels it.
        self.open_menu_entry(ticker, 1)  # "Einstellungen"
        self.desk.wait_window("Setup")
        self.session.wait_text("TFormSetup", "Weiter >>", exact=True)
        self.desk.key("Tab", "space")
        self.session.wait_text("TFormSetup", "Wie lautet dein Name?", exact=True)
        self.desk.key("ctrl+a")
        self.desk.type_text("Berta")
        self.desk.key("Return")
        self.session.wait_text("TFormSetup", "In welchem Jahr wurdest du geboren?", exact=True)
        self.assertEqual(self.session.stored()["UserName"], ("REG_SZ", "Berta"))
        self.desk.key("alt+F4")
        self.desk.wait_no_window("Setup")
        self.assertIsNone(pelwick.poll())

        self.open_menu_entry(ticker, 0)  # "Beenden"
        self.assertEqual(pelwick.wait(timeout=30), 0)

    def test_a_pack_size_of_0_is_reported_and_can_be_repaired(self):
        self.session.store_figures(per_pack=0)
        pelwick = self.session.start()
        # Under 32-bit Wine a second program started while pelwick.exe is still starting can
        # hang for minutes: read the windows once it shows one.
        desktop.wait_until("a window of pelwick.exe", lambda: self.desk.all_windows(pelwick.pid),
                           timeout=60)
        self.session.wait_text("#32770", "Gleitkommadivision durch Null.", exact=True, timeout=60)
        self.desk.key("Return")  # the box's "OK"
        ticker = self.desk.wait_window("FormMain")
        desktop.wait_until("the design text", lambda: self.session.label() == "123")
        self.assertIsNone(pelwick.poll(), "the ticker must keep running")

        self.open_menu_entry(ticker, 1)  # "Einstellungen"
        wizard = self.desk.wait_window("Setup")
        # The wizard has the keyboard at once: to "Weiter >>" and press it, Start -> Name.
        self.desk.key("Tab", "space")
        self.session.wait_text("TFormSetup", "Wie lautet dein Name?", exact=True)
        self.desk.key("ctrl+a")
        self.desk.type_text("Berta")
        for prompt in ("Wie lautet dein Name?", "In welchem Jahr wurdest du geboren?",
                       "Wieviele Zigaretten hast du pro Tag geraucht?"):
            self.session.wait_text("TFormSetup", prompt, exact=True)
            self.desk.key("Return")
        self.session.wait_text("TFormSetup", "Wie hoch war der Preis einer Packung?", exact=True)
        self.desk.key("Return")
        self.desk.key("ctrl+a")
        self.desk.type_text("20")
        self.desk.key("Return")
        self.session.wait_text("TFormSetup", "Fertig", exact=True)
        self.at(wizard, BUTTON_NEXT)
        self.desk.wait_no_window("Setup")
        self.assertEqual(self.session.stored()["CigBoxQty"], ("REG_DWORD", "0x14"))
        self.assertEqual(self.session.stored()["UserName"], ("REG_SZ", "Berta"))
        # The next tick, at most a minute later, shows the repaired figures from the calendar's
        # day (today 30 days ago, as stored) at 00:00.
        stop = datetime.datetime.combine(datetime.date.today() - datetime.timedelta(days=30),
                                         datetime.time())
        desktop.wait_until("the repaired totals on the next tick",
                           lambda: hive.shows_totals(self.session.label(), 20, 6.5, 20, stop),
                           timeout=75)
        self.assertIsNone(pelwick.poll())


class Scaled(PelwickWindowsTestCase):
    def test_at_200_percent_the_ticker_is_twice_as_large_and_whole(self):
        self.session.store_figures()
        self.session.run(["reg", "add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels",
                          "/t", "REG_DWORD", "/d", "192", "/f"])
        pelwick = self.session.start()
        ticker = self.desk.wait_window("FormMain", timeout=60)
        # 572 x 58, centred with halves to even: (1920 - 572) / 2, (1080 - 58) / 2.
        self.assertEqual(self.desk.geometry(ticker), (674, 511, 572, 58))
        desktop.wait_until("the totals",
                           lambda: self.session.label() == "    600      195,00\u20ac")
        # The burning tip at the right end is drawn: its pixels are not the desktop's.
        shot = os.path.join(self.session.home, "scaled.png")
        self.desk.screenshot(shot)
        def mean(x, y, w, h):
            return self.desk.run(["convert", shot, "-crop", f"{w}x{h}+{x}+{y}", "-format",
                                  "%[fx:mean]", "info:"])
        tip, beside = mean(674 + 545, 511 + 15, 20, 28), mean(674 + 580, 511 + 15, 20, 28)
        self.assertNotEqual(tip, beside)
        self.screenshot("scaled.png")

        # Dein Fortschritt at 200 % does not fit beside the centred ticker as fitted to the
        # screen: drawn smaller still, it lies there whole.
        self.desk.move_pointer(674 + 60, 511 + 29)
        time.sleep(0.2)
        self.desk.run(["xdotool", "click", "--repeat", "2", "--delay", "80", "1"])
        desktop.wait_until("Dein Fortschritt whole on the screen, clear of the ticker", lambda: (
            desktop.whole_beside(self.top_level("TFormProgress")["rect"], (674, 511, 572, 58),
                                 SCREEN_W, SCREEN_H)), timeout=10)
        self.assertIsNone(pelwick.poll())

    def test_at_150_percent_the_first_start_wizard_lies_on_the_screen_and_is_finished(self):
        self.session.run(["reg", "add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels",
                          "/t", "REG_DWORD", "/d", "144", "/f"])
        pelwick = self.session.start()
        wizard = self.desk.wait_window("Setup", timeout=60)
        # 987 x 795 at 150 % would be 1481 x 1193: drawn at 1080 / 1193 of that, centred.
        x, y, w, h = self.desk.geometry(wizard)
        self.assertEqual((x, y, w, h), (290, 0, 1341, 1080))
        self.session.wait_text("TFormSetup", "Weiter >>", exact=True)
        self.screenshot("scaled-wizard.png")

        def at(point):
            self.at(wizard, (point[0] * w // 987, point[1] * h // 795))

        def answer(prompt, point, text):
            self.session.wait_text("TFormSetup", prompt, exact=True)
            at(point)
            self.desk.key("ctrl+a")
            self.desk.type_text(text)

        at(BUTTON_NEXT)
        answer("Wie lautet dein Name?", FIRST_EDIT, "Alex")
        at(BUTTON_NEXT)
        answer("In welchem Jahr wurdest du geboren?", FIRST_EDIT, "1980")
        at(BUTTON_NEXT)
        answer("Wieviele Zigaretten hast du pro Tag geraucht?", FIRST_EDIT, "20")
        at(BUTTON_NEXT)
        answer("Wie hoch war der Preis einer Packung?", FIRST_EDIT, "6,5")
        answer("Wie hoch war der Preis einer Packung?", SECOND_EDIT, "20")
        at(BUTTON_NEXT)
        self.session.wait_text("TFormSetup", "Fertig", exact=True)
        at(BUTTON_NEXT)
        self.desk.wait_window("FormMain")
        stored = self.session.stored()
        self.assertEqual(stored["UserName"], ("REG_SZ", "Alex"))
        self.assertEqual(stored["CigBoxQty"], ("REG_DWORD", "0x14"))
        self.assertEqual(stored["SetupCompl"], ("REG_DWORD", "0x1"))
        self.assertIsNone(pelwick.poll())


class Progress(PelwickWindowsTestCase):
    def test_a_double_click_shows_the_progress_and_a_relapse_counts_anew(self):
        stop = datetime.datetime.now() - datetime.timedelta(days=30)
        self.session.store(hive.figures(stop=stop))
        pelwick = self.session.start()
        ticker = self.desk.wait_window("FormMain", timeout=60)
        desktop.wait_until("the totals",
                           lambda: self.session.label() == "    600      195,00\u20ac")
        # A double-click by a trembling hand: each click moves the pointer by 2 pixels.
        placed = self.desk.geometry(ticker)
        self.desk.move_pointer(placed[0] + 40, placed[1] + 14)
        time.sleep(0.2)
        self.desk.double_click_trembling()
        window = self.desk.wait_window("Dein Fortschritt", timeout=30)
        self.assertEqual(self.desk.geometry(ticker), placed)
        self.session.wait_text("TFormProgress",
                               f"Rauchfrei seit {stop:%d.%m.%Y}, 30 Tage, 0 Stunden", exact=True)
        texts = self.session.texts("TFormProgress")
        self.assertIn("600 Zigaretten nicht geraucht", texts)
        self.assertIn("Gewonnene Lebenszeit: etwa 8 Tage, 8 Stunden", texts)
        self.assertIn("Noch keine fr\u00fcheren Versuche.", texts)
        # An ordinary window, not above others, whole on the screen where the ticker (in the
        # centre, above every window) does not cover it; its later milestones enabled texts.
        self.assertNotIn("_NET_WM_STATE_ABOVE", self.desk.net_wm_state(window))
        tick = self.top_level("TFormMain")["rect"]
        shown = self.top_level("TFormProgress")
        self.assertTrue(desktop.whole_beside(shown["rect"], tick, SCREEN_W, SCREEN_H),
                        (shown["rect"], tick))
        self.assertTrue(all(c["enabled"] for c in shown["children"] if c["visible"]))
        self.screenshot("progress.png")

        # The start at sign-in: off in a fresh prefix, then on and off at once.
        run = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"
        self.assertIn("Pelwick bei der Anmeldung starten", self.session.texts("TFormProgress"))
        self.assertNotIn("Pelwick", self.session.stored(run))
        self.desk.key("shift+Tab", "shift+Tab", "space")  # from "Schlie\u00dfen" to the box
        desktop.wait_until("the Run value", lambda: "Pelwick" in self.session.stored(run))
        kind, command = self.session.stored(run)["Pelwick"]
        self.assertEqual(kind, "REG_SZ")
        self.assertRegex(command, r'^"[A-Z]:\\.*\\pelwick\.exe"$')
        self.desk.key("space")
        desktop.wait_until("no Run value", lambda: "Pelwick" not in self.session.stored(run))

        self.desk.key("Tab", "Return")  # on to the relapse: Enter presses it
        self.session.wait_text("#32770", f"Deinen Versuch seit {stop:%d.%m.%Y} (30 Tage) in den "
                               "Verlauf legen und ab jetzt neu z\u00e4hlen?", exact=True)
        buttons = {c["text"]: c["rect"] for c in self.top_level("#32770")["children"]
                   if c["text"] in ("Ja", "Nein")}
        self.assertEqual(sorted(buttons), ["Ja", "Nein"])
        self.assertFalse(desktop.meet(buttons["Ja"], tick), (buttons["Ja"], tick))
        self.desk.key("Tab", "space")  # from "Nein" to "Ja"
        desktop.wait_until("the ticker's new totals",
                           lambda: self.session.label() == "      0        0,00\u20ac", timeout=10)
        now = hive.date_time(datetime.datetime.now())
        kind, text = self.session.stored()["UserStopTime"]
        self.assertEqual(kind, "REG_BINARY")
        self.assertAlmostEqual(struct.unpack("<d", bytes.fromhex(text))[0], now, delta=1 / 1440)
        history = self.session.stored(KEY + "\\Verlauf")
        self.assertEqual(list(history), ["00"])
        self.assertEqual(history["00"][0], "REG_BINARY")
        start, end, cigarettes, money = hive.quit_attempt(bytes.fromhex(history["00"][1]))
        self.assertEqual(start, hive.date_time(stop))
        self.assertAlmostEqual(end, now, delta=1 / 1440)
        self.assertAlmostEqual(cigarettes, 600, delta=1)
        self.assertAlmostEqual(money, cigarettes * 6.5 / 20, delta=0.01)
        self.session.wait_text("TFormProgress", f"{stop:%d.%m.%Y} bis "
                               f"{datetime.date.today():%d.%m.%Y}: 30 Tage, 0 Stunden")

        self.desk.key("Escape")
        self.desk.wait_no_window("Dein Fortschritt")

        def open_again():
            self.desk.move_pointer(placed[0] + 40, placed[1] + 14)
            time.sleep(0.2)
            self.desk.run(["xdotool", "click", "--repeat", "2", "--delay", "80", "1"])

        def no_totals():
            return not [t for t in self.session.texts("TFormProgress")
                        if "gespart" in t or "Lebenszeit" in t]

        # Totals the ticker cannot compute: its box, then the window says the same, no totals.
        self.session.store({"CigBoxQty": hive.dword(0)})
        open_again()
        self.session.wait_text("#32770", "Gleitkommadivision durch Null.", exact=True)
        self.desk.key("Return")
        self.session.wait_text("TFormProgress", "Gleitkommadivision durch Null.", exact=True)
        self.assertTrue(no_totals())
        self.desk.key("Escape")
        self.desk.wait_no_window("Dein Fortschritt")

        # A stop day ahead: when it comes and how long until then, no totals.
        ahead = datetime.datetime.now() + datetime.timedelta(days=5, minutes=30)
        self.session.store({"CigBoxQty": hive.dword(20),
                            "UserStopTime": hive.binary_double(hive.date_time(ahead))})
        open_again()
        self.session.wait_text("TFormProgress",
                               f"Rauchfrei ab {ahead:%d.%m.%Y}, noch 5 Tage, 0 Stunden", exact=True)
        self.assertTrue(no_totals())
        self.desk.key("Escape")
        self.assertIsNone(pelwick.poll())


class Notices(PelwickWindowsTestCase):
    def test_a_milestone_reached_shows_a_balloon_at_the_ticker_until_a_click(self):
        # Pelwick ran before this attempt's first milestone, which comes before the first tick.
        stop = datetime.datetime.now() - datetime.timedelta(minutes=20, seconds=-30)
        self.session.store(hive.figures(stop=stop), told=hive.milestones_told(stop, 0))
        self.session.start()
        ticker = self.desk.wait_window("FormMain", timeout=60)
        pulse = "20 Minuten rauchfrei: Dein Puls und dein Blutdruck sinken."

        def balloons():
            return [w for w in self.session.windows()
                    if w["class"] == "tooltips_class32" and w["visible"] and w["text"] == pulse]
        balloon, = desktop.wait_until("the balloon", balloons, timeout=120)
        bx, by, bw, bh = balloon["rect"]
        tx, ty, tw, th = self.desk.geometry(ticker)
        self.assertLessEqual(abs(bx + bw // 2 - (tx + tw // 2)), bw // 2)  # its stem at the ticker
        self.screenshot("notice.png")
        self.desk.click(bx + bw // 2, by + bh // 2)
        self.desk.wait_window("Dein Fortschritt", timeout=30)
        desktop.wait_until("the balloon closed", lambda: not balloons())


class Dragging(PelwickWindowsTestCase):
    def drag(self, ticker, button, dx, dy, steps=10, pause=0.1):
        """A drag in `steps` moves `pause` seconds apart."""
        x, y, _, _ = self.desk.geometry(ticker)
        self.desk.move_pointer(x + 40, y + 14)
        time.sleep(0.2)
        self.desk.press(button)
        for step in range(1, steps + 1):
            time.sleep(pause)
            self.desk.move_pointer(x + 40 + dx * step // steps, y + 14 + dy * step // steps)
        time.sleep(0.1)
        self.desk.release(button)

    def test_left_button_drags_other_buttons_do_not(self):
        self.session.store_figures()
        pelwick = self.session.start()
        ticker = self.desk.wait_window("FormMain", timeout=60)
        x, y, w, h = self.desk.geometry(ticker)

        self.drag(ticker, 1, 150, -90)
        try:
            desktop.wait_until("the ticker to follow the pointer",
                               lambda: self.desk.geometry(ticker) == (x + 150, y - 90, w, h))
        except desktop.Timeout:
            self.fail(f"the ticker is at {self.desk.geometry(ticker)} on the screen and at "
                      f"{[c['rect'] for c in self.session.windows() if c['class'] == 'TFormMain']}"
                      f" for Wine, not at {(x + 150, y - 90)}")

        # A flick straight down: each of its moves takes the pointer off the 29 pixels of the
        # ticker, which keeps the pointer for the drag.
        self.drag(ticker, 1, 0, 150, pause=0)
        desktop.wait_until("the ticker to follow the flick",
                           lambda: self.desk.geometry(ticker) == (x + 150, y + 60, w, h))

        self.drag(ticker, 2, -60, 40)
        self.assertEqual(self.desk.geometry(ticker), (x + 150, y + 60, w, h))

        self.drag(ticker, 3, -60, 40)
        self.desk.key("Escape")  # the menu the right button opened
        self.assertEqual(self.desk.geometry(ticker), (x + 150, y + 60, w, h))
        self.assertIsNone(pelwick.poll())


if __name__ == "__main__":
    unittest.main()
