"""Prints, as JSON, what a screen reader finds of one application through AT-SPI: every
accessible with its role, name and text. Runs inside the test desktop's private D-Bus session,
which is why it is a program of its own (pyatspi binds to the bus when it is imported)."""

import json
import sys

import pyatspi


def text_of(node):
    try:
        text = node.queryText()
        return text.getText(0, text.characterCount)
    except NotImplementedError:
        return None


def extents_of(node):
    """(x, y, width, height) on the screen, where the accessible has a place."""
    try:
        e = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        return [e.x, e.y, e.width, e.height]
    except NotImplementedError:
        return None


def walk(node, depth, out):
    if node is None or depth > 40:
        return
    try:
        states = node.getState()
        out.append({
            "role": node.getRoleName(),
            "name": node.name,
            "text": text_of(node),
            "showing": states.contains(pyatspi.STATE_SHOWING),
            "enabled": states.contains(pyatspi.STATE_ENABLED),
            "extents": extents_of(node),
        })
        for i in range(node.childCount):
            walk(node.getChildAtIndex(i), depth + 1, out)
    except Exception:  # an accessible that vanished while being walked
        return


def main():
    wanted = sys.argv[1]
    desktop = pyatspi.Registry.getDesktop(0)
    out = []
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == wanted:
            walk(app, 0, out)
    json.dump(out, sys.stdout, ensure_ascii=False)


if __name__ == "__main__":
    main()
