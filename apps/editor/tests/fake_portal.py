#!/usr/bin/env python3
"""A GlobalShortcuts portal for the hot-key scenario (e2e_hot_key.py), on the session bus it is given.

  fake_portal.py RECORD

Owns org.freedesktop.portal.Desktop with /org/freedesktop/portal/desktop: the "version" property, CreateSession
(its Request answers with the session's handle) and BindShortcuts, each call appended to RECORD (JSON). SIGUSR1
emits Activated for the last bound shortcut. Prints "ready" once the name is owned.
"""
import json
import signal
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

NAME = "org.freedesktop.portal.Desktop"
PATH = "/org/freedesktop/portal/desktop"
SHORTCUTS = "org.freedesktop.portal.GlobalShortcuts"
REQUEST = "org.freedesktop.portal.Request"


class Request(dbus.service.Object):
    @dbus.service.signal(REQUEST, signature="ua{sv}")
    def Response(self, response, results):
        pass


class Portal(dbus.service.Object):
    def __init__(self, bus, record):
        super().__init__(bus, PATH)
        self.bus, self.record, self.calls, self.bound = bus, record, [], None

    def log(self, call):
        self.calls.append(call)
        with open(self.record, "w") as file:
            json.dump(self.calls, file)

    def request(self, sender, token):
        path = "%s/request/%s/%s" % (PATH, sender[1:].replace(".", "_"), token)
        return path, Request(self.bus, path)

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        if interface == SHORTCUTS and name == "version":
            return dbus.UInt32(1)
        raise dbus.exceptions.DBusException("no such property", name="org.freedesktop.DBus.Error.UnknownProperty")

    @dbus.service.method(SHORTCUTS, in_signature="a{sv}", out_signature="o", sender_keyword="sender")
    def CreateSession(self, options, sender):
        session = "%s/session/%s/%s" % (PATH, sender[1:].replace(".", "_"), options["session_handle_token"])
        self.log({"method": "CreateSession", "options": {k: str(v) for k, v in options.items()}})
        path, request = self.request(sender, options["handle_token"])
        GLib.idle_add(lambda: request.Response(0, {"session_handle": dbus.String(session)}) and False)
        return dbus.ObjectPath(path)

    @dbus.service.method(SHORTCUTS, in_signature="oa(sa{sv})sa{sv}", out_signature="o", sender_keyword="sender")
    def BindShortcuts(self, session, shortcuts, parent_window, options, sender):
        listed = [[str(name), {k: str(v) for k, v in properties.items()}] for name, properties in shortcuts]
        self.log({"method": "BindShortcuts", "session": str(session), "shortcuts": listed})
        self.bound = (session, listed[0][0]) if listed else None
        path, request = self.request(sender, options.get("handle_token", "bind"))
        GLib.idle_add(lambda: request.Response(0, {}) and False)
        return dbus.ObjectPath(path)

    @dbus.service.signal(SHORTCUTS, signature="osta{sv}")
    def Activated(self, session, shortcut, timestamp, options):
        pass


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    portal = Portal(bus, sys.argv[1])
    name = dbus.service.BusName(NAME, bus)
    loop = GLib.MainLoop()
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGUSR1,
                         lambda: portal.bound and portal.Activated(portal.bound[0], portal.bound[1], 0, {}) or True)
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, lambda: loop.quit() or False)
    print("ready", flush=True)
    loop.run()
    del name


if __name__ == "__main__":
    main()
