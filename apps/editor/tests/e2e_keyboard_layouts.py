#!/usr/bin/env python3
"""Shortcuts on other keyboard layouts, with real key presses on Xvfb.

Starts qor-editor on a set of the user's own ("Mine", empty: every command
keeps its default shortcut), types "abc" into the document and selects it.
Then, with `setxkbmap -layout us,ru` and the Russian group locked, presses
Ctrl and the key that carries C on a US keyboard (Cyrillic es here) and
Ctrl+М (US V) after End: the document reads "abcabc", so Copy and Paste ran.
With `setxkbmap -layout de`, Ctrl and the key labelled Z (US Y) undoes the
paste. With `setxkbmap -layout ru` (no Latin group at all), the key sheet
of "Save" warns that Save's ⌘ü cannot be typed there and records Ctrl+С as
⌘C, which it does not name (typed by position); after OK and Apply the
defaults file holds the stroke with the key "c" and the key's hardware code.

Keys are pressed by X keycode through the XTEST extension, as a keyboard
presses them: xdotool looks keysyms up and switches the group to type them,
which would hide the layout under test. The group is locked with
XkbLockGroup (libX11). Both are read through ctypes.

Run it under xvfb-run (ctest does): xvfb-run -a -s "-screen 0 1280x800x24"
python3 e2e_keyboard_layouts.py --editor build/editor/bin/qor-editor --artifacts out
"""
import argparse
import ctypes
import os
import plistlib
import shutil
import subprocess
import sys
import tempfile
import time

from e2e_key_bindings import (Editor, Failure, choose_add_shortcut, click, focus, private_session_bus, run,
                              screenshot, visible, widget)

SAVE = "[saveDocument:] [] [0]"
COMMAND = 0x100000
# X keycodes (evdev code + 8) by their place on a US keyboard.
CONTROL_L, KEY_C, KEY_V, KEY_Y, END = 37, 54, 55, 29, 115
KEY_PAUSE_SECONDS = 0.05
XKB_USE_CORE_KEYBOARD = 0x100
RUSSIAN_GROUP = 1  # the second of us,ru
COMMAND_U_UMLAUT = [{"modifiers": COMMAND}, {"key": "ü", "unichar": ord("ü"), "modifiers": COMMAND}]
LAYOUT_LINE = "'⌘ü' cannot be typed on the current keyboard layout."


class Keyboard:
    """The X server's keyboard, as a person's fingers and layout switch reach it."""

    def __init__(self):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.xtest = ctypes.CDLL("libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.display = ctypes.c_void_p(self.x11.XOpenDisplay(None))
        if not self.display:
            raise Failure("no X display")

    def close(self):
        self.x11.XCloseDisplay(self.display)

    def layout(self, layouts, group=0):
        run("setxkbmap", "-layout", layouts)
        self.x11.XkbLockGroup(self.display, XKB_USE_CORE_KEYBOARD, group)
        self.x11.XSync(self.display, 0)

    def press(self, *keycodes):
        """Presses the keys in order and releases them in reverse, as a chord."""
        for keycode, down in [(k, 1) for k in keycodes] + [(k, 0) for k in reversed(keycodes)]:
            self.xtest.XTestFakeKeyEvent(self.display, keycode, down, 0)
            self.x11.XSync(self.display, 0)
            time.sleep(KEY_PAUSE_SECONDS)


def document_text(state):
    return widget(state, "TEXT_document")["text"]


def seed_defaults(path):
    """A set of the user's own, current: Save has ⌘ü, every other command its default."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    mine = {"name": "Mine", "menu": {SAVE: {"title": "Save", "key sequences": [COMMAND_U_UMLAUT]}}, "editor": {}}
    with open(path, "wb") as file:
        plistlib.dump({"global.keyBindingsSetNumber": 1, "global.keyBindingsSets": {"1": mine}}, file)


def copy_paste_and_undo(editor, keyboard, state):
    focus(state, "WIN_editor")
    run("xdotool", "type", "--delay", "60", "abc")
    run("xdotool", "key", "ctrl+a")
    editor.wait_for("abc typed", lambda s: document_text(s) == "abc")

    keyboard.layout("us,ru", RUSSIAN_GROUP)
    keyboard.press(CONTROL_L, KEY_C)
    keyboard.press(END)
    keyboard.press(CONTROL_L, KEY_V)
    editor.wait_for("Ctrl+С to copy and Ctrl+М to paste", lambda s: document_text(s) == "abcabc")

    # QWERTZ: the key labelled Z is where a US keyboard has Y.
    keyboard.layout("de")
    keyboard.press(CONTROL_L, KEY_Y)
    return editor.wait_for("Ctrl+Z on de to undo the paste", lambda s: document_text(s) == "abc")


def record_in_the_key_sheet(editor, keyboard, state, artifacts):
    # Russian alone: no Latin group for Qt to fall back on, so the US position gives the C.
    keyboard.layout("ru")
    choose_add_shortcut(editor, state, "Save")
    state = editor.wait_for("the key sheet", lambda s: visible(s, "WIN_key_configurator") and s["key snooper"])
    focus(state, "WIN_key_configurator")
    keyboard.press(CONTROL_L, KEY_C)
    state = editor.wait_for("⌘C in the key field", lambda s: widget(s, "TEXT_key_configurator")["text"] == "⌘C")
    if widget(state, "TEXT_kb_layout")["text"] != LAYOUT_LINE:
        raise Failure("the layout line says %r" % widget(state, "TEXT_kb_layout")["text"])
    screenshot(os.path.join(artifacts, "1-russian-ctrl-c.png"))
    click(widget(state, "BTN_key_configurator_OK")["frame"])
    state = editor.wait_for("the sheet to close", lambda s: not visible(s, "WIN_key_configurator"))
    click(widget(state, "PREF_apply")["frame"])

    def stored(_):
        with open(editor.defaults_path, "rb") as file:
            return plistlib.load(file)["global.keyBindingsSets"]["1"]["menu"][SAVE]["key sequences"]
    expected = [COMMAND_U_UMLAUT,
                [{"modifiers": COMMAND}, {"key": "c", "unichar": ord("c"), "code": KEY_C, "modifiers": COMMAND}]]
    editor.wait_for("the defaults to hold ⌘C with the key \"c\"", lambda s: stored(s) == expected)


def road(editor, keyboard, artifacts):
    editor.wait_until_started()
    state = editor.wait_for("the Key Bindings pane",
                            lambda s: visible(s, "VIEW_key_bindings") and widget(s, "PUB_sets")["text"] == "Mine")
    state = copy_paste_and_undo(editor, keyboard, state)
    record_in_the_key_sheet(editor, keyboard, state, artifacts)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--editor", required=True)
    parser.add_argument("--artifacts", required=True)
    args = parser.parse_args()
    if not os.environ.get("DISPLAY"):
        print("no DISPLAY: run this under xvfb-run", file=sys.stderr)
        return 2
    os.makedirs(args.artifacts, exist_ok=True)
    folder = tempfile.mkdtemp(prefix="qor-e2e-layouts-")
    bus, bus_address = private_session_bus()
    keyboard = Keyboard()
    seed_defaults(os.path.join(folder, "config", "qor", "defaults.plist"))  # where Editor points the editor
    editor = Editor(args.editor, folder, bus_address)
    try:
        road(editor, keyboard, args.artifacts)
        print("e2e layouts: passed")
        return 0
    except (Failure, subprocess.CalledProcessError, subprocess.TimeoutExpired) as failure:
        screenshot(os.path.join(args.artifacts, "failure.png"))
        print("e2e layouts: FAILED: %s" % failure, file=sys.stderr)
        return 1
    finally:
        if editor.process.poll() is None:
            editor.process.kill()
            editor.process.wait()
        editor.log.close()
        keyboard.close()
        bus.terminate()
        bus.wait()
        shutil.copy(os.path.join(folder, "editor.log"), os.path.join(args.artifacts, "editor.log"))
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
