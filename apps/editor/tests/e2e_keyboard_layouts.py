#!/usr/bin/env python3
"""Shortcuts on Russian and German layouts, with real key presses on Xvfb.

On `us,ru` (Russian group locked) Ctrl+С copies and Ctrl+М pastes; on `de` Ctrl+Z undoes; on `ru` alone the key
sheet records Ctrl+С as "c" and names Save's ⌘ü as untypable. Keys go by X keycode through XTEST (xdotool
switches the group to reach a keysym). Run it like e2e_key_bindings.py (ctest does).
"""
import ctypes
import os
import plistlib
import sys
import time
from pathlib import Path

import e2e_key_bindings as e2e
from e2e_key_bindings import choose_add_shortcut, click, focus, run, visible, widget

SAVE = "[saveDocument:] [] [0]"
COMMAND = 0x100000
# X keycodes (evdev code + 8) by their place on a US keyboard.
CONTROL_L, KEY_C, KEY_V, KEY_Y, END = 37, 54, 55, 29, 115
COMMAND_U_UMLAUT = [{"modifiers": COMMAND}, {"key": "ü", "unichar": ord("ü"), "modifiers": COMMAND}]
LAYOUT_LINE = "'⌘ü' cannot be typed on the current keyboard layout."


class Keyboard:
    """The X server's keyboard: keys pressed by keycode, layouts and the locked group."""

    def __init__(self):
        self.x11, self.xtest = ctypes.CDLL("libX11.so.6"), ctypes.CDLL("libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.display = ctypes.c_void_p(self.x11.XOpenDisplay(None))

    def layout(self, layouts, group=0):
        run("setxkbmap", "-layout", layouts)
        self.x11.XkbLockGroup(self.display, 0x100, group)  # XkbUseCoreKbd
        self.x11.XSync(self.display, 0)

    def press(self, *chords):
        """Each chord's keys down in order, then up in reverse."""
        for keys in chords:
            for keycode, down in [(k, 1) for k in keys] + [(k, 0) for k in reversed(keys)]:
                self.xtest.XTestFakeKeyEvent(self.display, keycode, down, 0)
                self.x11.XSync(self.display, 0)
                time.sleep(0.05)


def seed_defaults(folder):
    """"Mine", current: Save has ⌘ü, every other command its default."""
    path = e2e.defaults_path_in(folder)
    os.makedirs(os.path.dirname(path))
    mine = {"name": "Mine", "menu": {SAVE: {"title": "Save", "key sequences": [COMMAND_U_UMLAUT]}}, "editor": {}}
    with open(path, "wb") as file:
        plistlib.dump({"global.keyBindingsSetNumber": 1, "global.keyBindingsSets": {"1": mine}}, file)


def document_is(text):
    return lambda state: widget(state, "TEXT_document")["text"] == text


def road(editor, artifacts):
    keyboard = Keyboard()  # its connection also keeps Xvfb from resetting the keymap
    editor.wait_until_started()
    state = editor.wait_for("the pane on Mine", lambda s: widget(s, "PUB_sets")["text"] == "Mine")
    focus(state, "WIN_editor")
    run("xdotool", "type", "--delay", "60", "abc")
    run("xdotool", "key", "ctrl+a")
    editor.wait_for("abc typed", document_is("abc"))
    keyboard.layout("us,ru", group=1)
    keyboard.press((CONTROL_L, KEY_C), (END,), (CONTROL_L, KEY_V))
    editor.wait_for("Ctrl+С to copy and Ctrl+М to paste", document_is("abcabc"))
    keyboard.layout("de")  # QWERTZ: the key labelled Z is US Y
    keyboard.press((CONTROL_L, KEY_Y))
    state = editor.wait_for("Ctrl+Z on de to undo the paste", document_is("abc"))

    keyboard.layout("ru")
    choose_add_shortcut(editor, state, "Save")
    state = editor.wait_for("the key sheet", lambda s: visible(s, "WIN_key_configurator") and s["key snooper"])
    focus(state, "WIN_key_configurator")
    keyboard.press((CONTROL_L, KEY_C))
    state = editor.wait_for("⌘C and the layout line", lambda s: widget(s, "TEXT_key_configurator")["text"] == "⌘C"
                            and widget(s, "TEXT_kb_layout")["text"] == LAYOUT_LINE)
    e2e.screenshot(os.path.join(artifacts, "1-russian-ctrl-c.png"))
    click(widget(state, "BTN_key_configurator_OK")["frame"])
    state = editor.wait_for("the sheet to close", lambda s: not visible(s, "WIN_key_configurator"))
    click(widget(state, "PREF_apply")["frame"])
    command_c = [{"modifiers": COMMAND}, {"key": "c", "unichar": ord("c"), "code": KEY_C, "modifiers": COMMAND}]
    editor.wait_for("the defaults to hold \"c\"", lambda _: plistlib.loads(Path(editor.defaults_path).read_bytes())
                    ["global.keyBindingsSets"]["1"]["menu"][SAVE]["key sequences"] == [COMMAND_U_UMLAUT, command_c])


if __name__ == "__main__":
    sys.exit(e2e.main(road, "e2e layouts", seed_defaults))
