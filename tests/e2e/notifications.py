"""A notification service for the test's session bus, as desktops run one: it owns
org.freedesktop.Notifications, writes each Notify it receives as a JSON line to the file named
first, and on SIGUSR1 clicks the last notification (ActionInvoked with "default")."""

import json
import signal
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

NAME = "org.freedesktop.Notifications"


class Service(dbus.service.Object):
    def __init__(self, bus, record):
        super().__init__(bus, "/org/freedesktop/Notifications")
        self.record = record
        self.last = 0

    @dbus.service.method(NAME, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        self.last += 1
        with open(self.record, "a", encoding="utf-8") as f:
            f.write(json.dumps({"app": str(app), "icon": str(icon), "summary": str(summary),
                                "body": str(body), "actions": [str(a) for a in actions],
                                "hints": {str(k): str(v) for k, v in hints.items()}}) + "\n")
        return self.last

    @dbus.service.method(NAME, out_signature="as")
    def GetCapabilities(self):
        return ["actions", "body"]

    @dbus.service.method(NAME, out_signature="ssss")
    def GetServerInformation(self):
        return ["recorder", "pelwick-tests", "1", "1.2"]

    @dbus.service.method(NAME, in_signature="u")
    def CloseNotification(self, notification):
        pass

    @dbus.service.signal(NAME, signature="us")
    def ActionInvoked(self, notification, key):
        pass


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    service = Service(bus, sys.argv[1])
    name = dbus.service.BusName(NAME, bus)  # noqa: F841 (held while the loop runs)
    loop = GLib.MainLoop()
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGUSR1,
                         lambda: service.ActionInvoked(service.last, "default") or True)
    print("ready", flush=True)
    loop.run()


if __name__ == "__main__":
    main()
