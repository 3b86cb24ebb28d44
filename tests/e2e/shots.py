"""Pictures of the screen for the README, shared by scripts/screenshots (the Linux program) and
scripts/screenshots-win32 (pelwick.exe under Wine)."""

import os
import subprocess
import time

import desktop

SCREEN = (1920, 1080)


def background(desk):
    """A quiet gradient behind the windows, so that their see-through parts show."""
    wallpaper = os.path.join(desk.tmp, "wallpaper.png")
    desk.run(["convert", "-size", "x".join(map(str, SCREEN)), "gradient:#5b86a8-#24425e",
              wallpaper])
    desk.run(["hsetroot", "-fill", wallpaper])


def grab(desk):
    return subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"],
                          env=desk.screen_env, capture_output=True, check=True).stdout


def settled(desk):
    """A capture of the screen once two captures in a row agree (the repaints are done)."""
    frames = [grab(desk)]

    def probe():
        frames.append(grab(desk))
        return frames[-1] if frames[-1] == frames[-2] else None

    return desktop.wait_until("the screen to settle", probe, interval=0.3)


def crop(desk, out, name, x, y, w, h):
    """Writes the part (x, y, w, h) of the settled screen to out/name."""
    full = os.path.join(desk.tmp, "full.rgb")
    with open(full, "wb") as f:
        f.write(settled(desk))
    desk.run(["convert", "-size", "x".join(map(str, SCREEN)), "-depth", "8", f"rgb:{full}",
              "-crop", f"{w}x{h}+{x}+{y}", "+repage", os.path.join(out, name)])
    print(os.path.join(out, name))


def ticker_and_tooltip(desk, out, prefix, ticker):
    """The ticker, then the ticker with its tooltip open under the resting pointer."""
    tx, ty, tw, th = desk.geometry(ticker)
    crop(desk, out, f"{prefix}ticker.png", tx - 57, ty - 45, tw + 114, th + 90)
    desk.move_pointer(tx + 200, ty + 20)
    time.sleep(2)  # the tooltip's delay, and its fade-in where there is one
    crop(desk, out, f"{prefix}tooltip.png", tx - 57, ty - 45, tw + 640, th + 130)
    desk.move_pointer(0, 0)


def progress(desk, out, name, ticker, title="Dein Fortschritt"):
    """A double-click on the ticker, then its progress window with its frame and the ticker
    beside it."""
    tx, ty, tw, th = desk.geometry(ticker)
    desk.move_pointer(tx + 40, ty + 14)
    time.sleep(0.3)
    desk.xdotool("click", "--repeat", "2", "--delay", "80", "1")
    window = desk.wait_window(title, timeout=30)
    desk.move_pointer(0, 0)  # no tooltip over the picture
    time.sleep(1)
    x, y, w, h = desk.frame_geometry(window)
    # Both windows, and a margin of the desktop around.
    left, top = min(x, tx) - 20, min(y, ty) - 20
    right, bottom = max(x + w, tx + tw) + 20, max(y + h, ty + th) + 20
    crop(desk, out, name, left, top, right - left, bottom - top)
