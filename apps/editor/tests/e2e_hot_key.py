#!/usr/bin/env python3
"""The hot key from another program, under Xvfb: the X11 grab and the GlobalShortcuts portal.

X11 (the runner's private session bus, no portal on it): while xmessage has the focus, `xdotool key super+alt+e`
(⌃⌥E, the default hot key) gives the editor's window the focus; after SIGKILL no grab of the editor's is left. A
client that holds the key first makes the editor say so under the outlines; a set without a hot key grabs nothing;
applying a set moves the grab to its hot key. Portal: a fake one (fake_portal.py) records CreateSession and
BindShortcuts, and its Activated gives the editor the focus. Run it like e2e_key_bindings.py.
"""
import ctypes
import json
import os
import plistlib
import signal
import subprocess
import sys
import time

import e2e_key_bindings as e2e
from e2e_key_bindings import Failure, click, run, visible, widget

HOT_KEY = "super+alt+e"
MOD1_MOD4 = 0x48  # Alt and Super on Xvfb's keymap
BAD_ACCESS = 10
REFUSED_LINE = "The hot key works only inside the editor: another program holds it."
HOT_KEY_ID = "[bringQORtoFront:] [HotKeyController] [0]"
CONTROL_OPTION = 0xC0000
CONTROL_OPTION_F = [{"modifiers": CONTROL_OPTION}, {"key": "f", "unichar": ord("f"), "modifiers": CONTROL_OPTION}]
FAKE_PORTAL = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fake_portal.py")
DEBIAN_PYTHON = "/usr/bin/python3"  # where python3-dbus and python3-gi install, whichever python runs this


class Grabber:
    """Another X client that grabs the hot key on the root window, as a second program would."""
    ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)

    def __init__(self):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x11.XStringToKeysym.restype = ctypes.c_ulong
        self.display = ctypes.c_void_p(self.x11.XOpenDisplay(None))
        self.errors = []
        # XErrorEvent: type (int), display, resourceid, serial (unsigned long), error_code (byte) at offset 32.
        self.handler = self.ERROR_HANDLER(lambda _, event: self.errors.append(ctypes.string_at(event, 33)[32]) or 0)
        self.x11.XSetErrorHandler(self.handler)
        self.root = ctypes.c_ulong(self.x11.XDefaultRootWindow(self.display))

    def args(self, key):
        keycode = self.x11.XKeysymToKeycode(self.display, ctypes.c_ulong(self.x11.XStringToKeysym(key)))
        return self.display, keycode, MOD1_MOD4, self.root

    def grab(self, key=b"e"):
        """Super+Alt+`key`. Result: whether the server granted the grab (no BadAccess)."""
        self.errors.clear()
        self.x11.XGrabKey(*self.args(key), 1, 1, 1)  # owner events, both modes asynchronous
        self.x11.XSync(self.display, 0)
        return BAD_ACCESS not in self.errors

    def release(self, key=b"e"):
        self.x11.XUngrabKey(*self.args(key))
        self.x11.XSync(self.display, 0)

    def free(self, key):
        """Whether another client may grab Super+Alt+`key` now (the grab is given back at once)."""
        granted = self.grab(key)
        if granted:
            self.release(key)
        return granted


STARTED = []  # every editor started, killed at the end if still running


def start(executable, folder, bus_address):
    editor = e2e.Editor(executable, folder, bus_address)
    STARTED.append(editor)
    editor.wait_until_started()
    return editor


def stop(editor):
    editor.process.terminate()
    editor.process.wait()
    editor.log.close()


def focused_window():
    return int(subprocess.run(["xdotool", "getwindowfocus"], check=True, stdout=subprocess.PIPE, text=True).stdout)


def editor_window(state):
    return next(window["window id"] for window in state["windows"] if window["name"] == "WIN_editor")


def another_program_has_the_focus():
    """xmessage's window, focused as a window manager would; the caller ends it."""
    other = subprocess.Popen(["xmessage", "-name", "qor-other", "another program"])
    window = subprocess.run(["xdotool", "search", "--sync", "--classname", "qor-other"], check=True,
                            stdout=subprocess.PIPE, text=True).stdout.split()[0]
    run("xdotool", "windowfocus", "--sync", window)
    if focused_window() != int(window):
        raise Failure("xmessage did not take the focus")
    return other


def brought_to_front(editor, state, press):
    """`press` while xmessage has the focus gives it to the editor's window."""
    other = another_program_has_the_focus()
    try:
        press()
        deadline = time.time() + e2e.WAIT_SECONDS
        while focused_window() != editor_window(state):
            if time.time() > deadline:
                raise Failure("the hot key did not bring the editor to the front")
            time.sleep(e2e.POLL_SECONDS)
    finally:
        other.terminate()
        other.wait()


def seed(folder, menu):
    path = e2e.defaults_path_in(folder)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    mine = {"name": "Mine", "menu": menu, "editor": {}}
    with open(path, "wb") as file:
        plistlib.dump({"global.keyBindingsSetNumber": 1, "global.keyBindingsSets": {"1": mine}}, file)


def hot_key_line(editor):
    return widget(editor.wait_for("the pane", lambda s: "TEXT_kb_hot_key" in s["widgets"]), "TEXT_kb_hot_key")["text"]


def x11_grab(executable, folder, bus_address, grabber):
    editor = start(executable, folder, bus_address)
    state = editor.state()
    if grabber.free(b"e"):
        raise Failure("another client could grab the editor's hot key")
    if hot_key_line(editor) != "":
        raise Failure("a line under the outlines while the grab holds")
    brought_to_front(editor, state, lambda: run("xdotool", "key", HOT_KEY))
    editor.process.send_signal(signal.SIGKILL)
    editor.process.wait()
    if not grabber.grab():
        raise Failure("the killed editor's grab outlived it")
    # Held by the grabber now: the next editor is refused and says so under the outlines.
    editor = start(executable, folder, bus_address)
    line = hot_key_line(editor)
    stop(editor)
    grabber.release()
    if line != REFUSED_LINE:
        raise Failure("refused grab: the line is %r" % line)


def no_hot_key(executable, folder, bus_address, grabber):
    seed(folder, {HOT_KEY_ID: {"title": "Bring QOR to Front", "key sequences": []}})
    editor = start(executable, folder, bus_address)
    editor.state()
    if not grabber.free(b"e"):
        raise Failure("the editor grabbed a hot key the applied set does not have")
    stop(editor)


def rebound_on_apply(executable, folder, bus_address, grabber):
    """Mine's hot key is ⌃⌥F; its reset to the default ⌃⌥E, applied, moves the grab."""
    seed(folder, {HOT_KEY_ID: {"title": "Bring QOR to Front", "key sequences": [CONTROL_OPTION_F]}})
    editor = start(executable, folder, bus_address)
    state = editor.wait_for("the pane on Mine", lambda s: visible(s, "VIEW_key_bindings")
                            and widget(s, "PUB_sets")["text"] == "Mine")
    if grabber.free(b"f") or not grabber.free(b"e"):
        raise Failure("the editor does not hold ⌃⌥F alone")
    click(widget(state, "BTN_kb_reset_set")["frame"])
    click(widget(state, "PREF_apply")["frame"])
    deadline = time.time() + e2e.WAIT_SECONDS
    while grabber.free(b"e") or not grabber.free(b"f"):
        if time.time() > deadline:
            raise Failure("the applied set did not move the grab from ⌃⌥F to ⌃⌥E")
        time.sleep(e2e.POLL_SECONDS)
    stop(editor)
    os.remove(e2e.defaults_path_in(folder))


def portal(executable, folder, bus_address):
    record = os.path.join(folder, "portal.json")
    fake = subprocess.Popen([DEBIAN_PYTHON, FAKE_PORTAL, record], env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS=bus_address),
                            stdout=subprocess.PIPE, text=True)
    try:
        if fake.stdout.readline().strip() != "ready":
            raise Failure("the fake portal did not start")
        editor = start(executable, folder, bus_address)
        state = editor.state()
        deadline = time.time() + e2e.WAIT_SECONDS
        calls = []
        while [call["method"] for call in calls] != ["CreateSession", "BindShortcuts"]:
            if time.time() > deadline:
                raise Failure("the portal saw %s" % calls)
            time.sleep(e2e.POLL_SECONDS)
            calls = json.load(open(record)) if os.path.exists(record) else []
        bound = calls[1]["shortcuts"]
        if bound != [["bring-to-front", {"description": "Bring QOR to Front", "preferred_trigger": "ALT+LOGO+E"}]]:
            raise Failure("bound %s" % bound)
        brought_to_front(editor, state, lambda: fake.send_signal(signal.SIGUSR1))  # the fake emits Activated
        stop(editor)
    finally:
        fake.terminate()
        fake.wait()


def main():
    executable = sys.argv[sys.argv.index("--editor") + 1]
    folder = e2e.tempfile.mkdtemp(prefix="qor-e2e-hot-key-")
    bus, bus_address = e2e.private_session_bus()
    try:
        grabber = Grabber()
        for step in (x11_grab, no_hot_key, rebound_on_apply):
            step(executable, folder, bus_address, grabber)
        portal(executable, folder, bus_address)
        print("e2e hot key: passed")
        return 0
    except (Failure, subprocess.CalledProcessError) as failure:
        print("e2e hot key: FAILED: %s" % failure, file=sys.stderr)
        return 1
    finally:
        for editor in STARTED:
            if editor.process.poll() is None:
                editor.process.kill()
                editor.process.wait()
        bus.terminate()
        bus.wait()
        e2e.shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
