#!/usr/bin/env python3
"""A person's road through the editor on a real X display (Xvfb).

Starts qor-editor with the preferences window on Key Bindings. On the default
set a click on a command raises the default-set alert, answered with its OK
button. It duplicates the default set, answers the hot-key alert that "Add
Shortcut..." raises from the edit menu of "Bring QOR to Front", and opens the
key configurator from the edit menu of "Bring All to Front" (a menu freed
under its own click used to corrupt the heap here; a sanitizer build of the
editor aborts on such an access). Then it selects the menu command "Revert to Saved", chooses "Add
Shortcut...", types a free chord with xdotool and sees it in the key field
with the black prompt, confirms and applies; then checks that the defaults
file holds the sequence and that the menu action carries the shortcut. Then
it types a chord that Save already uses and checks that the red line names
'Save' and that OK is disabled. Then the checks beyond a plain binding: it
binds the two-stroke ⌘K⌘J to "Revert to Saved", types ⌘K for "Close" and
reads the ambiguity line, clears, types ⌘S and presses "Bind Here Instead"
(Save loses ⌘S, Close has it), undoes that with the undo shortcut, and
records ⌘K with the search field's Keys toggle (only "Revert to Saved"
under its menu stays). It binds five chords to "Editor Help" and applies;
in the editor window ⌘K shows in the status bar and then the popup of the
strokes that may follow, Escape ends that, and the five chords open the
help. It closes the preferences window and quits, and
checks that neither leaves a delayed call or a key snooper behind.

The editor describes what it shows (places on the screen included) in a
property list at each SIGUSR1 (--dump-state); the test reads it to know where
to click and what is shown. Screenshots of both states go to --artifacts.

Run it under xvfb-run (ctest does): xvfb-run -a -s "-screen 0 1280x800x24"
python3 e2e_key_bindings.py --editor build/editor/bin/qor-editor --artifacts out
"""
import argparse
import os
import plistlib
import shutil
import signal
import subprocess
import sys
import tempfile
import time

CONVERT = "/usr/bin/convert"
SUPPRESSIONS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "lsan_suppressions.txt")
# Longer under a slow wrapper such as valgrind: QOR_E2E_WAIT_SECONDS=120.
WAIT_SECONDS = float(os.environ.get("QOR_E2E_WAIT_SECONDS", "15"))
WHEEL_TURNS = 40
POLL_SECONDS = 0.15
COMMAND = 0x100000
OPTION = 0x80000
REVERT = "[revertDocumentToSaved:] [] [0]"
SAVE = "[saveDocument:] [] [0]"
PROMPT = "Type keys for shortcut."
CONFLICT = "'⌘S' is currently bound to 'Save'."
DEFAULT_SET_ALERT = "Can't change default key bindings set"
HOT_KEY_ALERT = "Can't bind more than one shortcut to the hot key"
AMBIGUITY = "'⌘K' is the first stroke of '⌘K⌘J' of 'Revert to Saved'."
MENU = "OLV_menu_key_bindings"
HELP = "[showHelp:] [HostApplication] [0]"
HELP_ALERT = "A small rich-text editor whose shortcuts are set in Preferences → Key Bindings."
FIVE_CHORDS = ["ctrl+k", "ctrl+h", "ctrl+e", "ctrl+l", "ctrl+p"]
POPUP = "OLV_key_sequence_popup"


class Failure(Exception):
    pass


def run(*command):
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def private_session_bus():
    """A dbus-daemon of the test's own, as a desktop session has one. Without a
    session bus, Qt's D-Bus forks a child to exec dbus-launch and autolaunch one."""
    daemon = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    return daemon, daemon.stdout.readline().strip()


def defaults_path_in(folder):
    return os.path.join(folder, "config", "qor", "defaults.plist")


class Editor:
    def __init__(self, executable, folder, bus_address):
        self.dump_path = os.path.join(folder, "state.plist")
        self.defaults_path = defaults_path_in(folder)
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(folder, "config"), QT_QPA_PLATFORM="xcb",
                   DBUS_SESSION_BUS_ADDRESS=bus_address)
        # In a sanitizer build, leaks of the system libraries under Qt are not the editor's.
        env["LSAN_OPTIONS"] = ":".join(filter(None, [env.get("LSAN_OPTIONS"), "suppressions=" + SUPPRESSIONS]))
        if os.path.exists(self.dump_path):
            os.remove(self.dump_path)  # a stale file would pass for the started editor's
        self.log = open(os.path.join(folder, "editor.log"), "w")
        self.process = subprocess.Popen(
            [executable, "--preferences", "KeyBindings", "--dump-state", self.dump_path],
            env=env, stdout=self.log, stderr=subprocess.STDOUT)

    def wait_until_started(self):
        """The editor writes its state once when it has started and catches SIGUSR1."""
        deadline = time.time() + WAIT_SECONDS
        while not os.path.exists(self.dump_path):
            if self.process.poll() is not None or time.time() > deadline:
                raise Failure("the editor did not start")
            time.sleep(POLL_SECONDS)

    def state(self):
        """A fresh description of what the editor shows."""
        if os.path.exists(self.dump_path):
            os.remove(self.dump_path)
        self.process.send_signal(signal.SIGUSR1)
        deadline = time.time() + WAIT_SECONDS
        while time.time() < deadline:
            if self.process.poll() is not None:
                raise Failure("the editor exited with %s" % self.process.returncode)
            try:
                with open(self.dump_path, "rb") as file:
                    return plistlib.load(file)
            except (FileNotFoundError, plistlib.InvalidFileException):
                time.sleep(POLL_SECONDS)
        raise Failure("no state from the editor")

    def wait_for(self, what, predicate):
        """The first state for which predicate holds; fails after WAIT_SECONDS."""
        deadline = time.time() + WAIT_SECONDS
        last = None
        while time.time() < deadline:
            last = self.state()
            try:
                if predicate(last):
                    return last
            except (KeyError, IndexError):
                pass
            time.sleep(POLL_SECONDS)
        raise Failure("timed out waiting for %s" % what)


def widget(state, name):
    return state["widgets"][name]


def visible(state, name):
    return name in state["widgets"] and widget(state, name)["visible"]


def centre(frame):
    x, y, width, height = frame
    return x + width // 2, y + height // 2


def pointer():
    shell = subprocess.run(["xdotool", "getmouselocation", "--shell"], check=True, stdout=subprocess.PIPE, text=True)
    place = dict(line.split("=", 1) for line in shell.stdout.split())
    return int(place["X"]), int(place["Y"])


def click(frame):
    x, y = centre(frame)
    # --sync waits for a motion, and there is none when the pointer is there already.
    if pointer() != (x, y):
        run("xdotool", "mousemove", "--sync", str(x), str(y))
    run("xdotool", "click", "1")


def focus(state, name):
    """Gives the window called `name` the keyboard, as a window manager would."""
    for window in state["windows"]:
        if window["name"] == name:
            run("xdotool", "windowfocus", "--sync", str(window["window id"]))
            return
    raise Failure("no window %s" % name)


def row(state, outline, title):
    for entry in state["outlines"][outline]:
        if entry["title"] == title:
            return entry
    raise Failure("no row %r in %s" % (title, outline))


def menu_item(state, title):
    for menu in state["menus"]:
        for item in menu["items"]:
            if item["title"] == title:
                return item
    return None


def screenshot(path):
    try:
        run("import", "-window", "root", path)
    except (OSError, subprocess.CalledProcessError):
        xwd = subprocess.run(["xwd", "-root", "-silent"], check=True, stdout=subprocess.PIPE).stdout
        subprocess.run([CONVERT, "xwd:-", "png:" + path], input=xwd, check=True)
    print("screenshot: %s" % path)


def desktop_background(folder):
    """A plain desktop behind the windows, so screenshots read as a desktop."""
    picture = os.path.join(folder, "background.png")
    try:
        run(CONVERT, "-size", "1280x800", "gradient:#4b5d73-#27313d", picture)
        run("display", "-window", "root", picture)
    except (OSError, subprocess.CalledProcessError):
        pass


def alert(state):
    for window in state["windows"]:
        if "alert text" in window:
            return window
    return None


def answer_alert(editor, text):
    """Waits for the alert saying `text` and clicks its OK button."""
    state = editor.wait_for("the alert %r" % text, lambda s: alert(s) is not None)
    if alert(state)["alert text"] != text:
        raise Failure("expected the alert %r, got %r" % (text, alert(state)["alert text"]))
    click(alert(state)["buttons"][0]["frame"])
    return editor.wait_for("the alert to close", lambda s: alert(s) is None)


def scroll_to(editor, state, outline, title):
    """Turns the mouse wheel over the outline until the row `title` shows."""
    wheel_up, wheel_down = "4", "5"
    for _ in range(WHEEL_TURNS):
        wanted = row(state, outline, title)
        if wanted["visible"]:
            return state
        frame = widget(state, outline)["frame"]
        x, y = centre(frame)
        wheel = wheel_up if wanted["title cell"][1] < frame[1] else wheel_down
        # No --sync: it waits for a motion that never comes when the pointer is there already.
        run("xdotool", "mousemove", str(x), str(y), "click", "--repeat", "5", wheel)
        state = editor.state()
    raise Failure("the row %r never showed" % title)


def choose_add_shortcut(editor, state, title, cell="title cell"):
    state = scroll_to(editor, state, "OLV_menu_key_bindings", title)
    click(row(state, "OLV_menu_key_bindings", title)[cell])
    state = editor.wait_for("the edit menu", lambda s: menu_item(s, "Add Shortcut...") is not None)
    click(menu_item(state, "Add Shortcut...")["frame"])


def open_add_shortcut(editor, state, cell):
    choose_add_shortcut(editor, state, "Revert to Saved", cell)
    state = editor.wait_for("the key configurator",
                            lambda s: visible(s, "WIN_key_configurator") and s["key snooper"])
    focus(state, "WIN_key_configurator")
    return state


def open_configurator(editor, state, title):
    # The key cell: a click on the selected row's title opens no menu.
    choose_add_shortcut(editor, state, title, "key cell")
    state = editor.wait_for("the key configurator for %s" % title,
                            lambda s: visible(s, "WIN_key_configurator") and s["key snooper"])
    focus(state, "WIN_key_configurator")
    return state


def keys_of(state, title):
    """The shortcuts of the menu outline's row `title`, as listed in its key cell."""
    return row(state, MENU, title)["key"].strip().split(" , ")


def fix_in_place_undo_and_search_by_keys(editor, state, artifacts):
    """A two-stroke shortcut, its first stroke typed for another command, a
    conflict fixed in place and undone, then a search by pressed keys."""
    state = open_configurator(editor, state, "Revert to Saved")
    run("xdotool", "key", "--delay", "80", "ctrl+k", "ctrl+j")
    state = editor.wait_for("⌘K⌘J in the key field", lambda s: widget(s, "TEXT_key_configurator")["text"] == "⌘K⌘J")
    click(widget(state, "BTN_key_configurator_OK")["frame"])
    state = editor.wait_for("⌘K⌘J bound", lambda s: not s["key snooper"] and "⌘K⌘J" in keys_of(s, "Revert to Saved"))

    # Its first stroke for another command: a warning on the second line.
    state = open_configurator(editor, state, "Close")
    run("xdotool", "key", "--delay", "80", "ctrl+k")
    state = editor.wait_for("the ambiguity line", lambda s: widget(s, "TEXT_kb_ambiguity")["text"] == AMBIGUITY)

    # Save's chord instead, bound here: Save loses it, Close has it.
    click(widget(state, "BTN_key_configurator_clear")["frame"])
    state = editor.wait_for("the key field cleared", lambda s: widget(s, "TEXT_key_configurator")["text"] == "")
    focus(state, "WIN_key_configurator")
    run("xdotool", "key", "--delay", "80", "ctrl+s")
    state = editor.wait_for("Bind Here Instead enabled",
                            lambda s: widget(s, "TEXT_kb_conflict")["text"] == CONFLICT
                            and widget(s, "BTN_key_configurator_fix")["enabled"])
    click(widget(state, "BTN_key_configurator_fix")["frame"])
    state = editor.wait_for("⌘S moved to Close", lambda s: not visible(s, "WIN_key_configurator")
                            and "⌘S" in keys_of(s, "Close") and "⌘S" not in keys_of(s, "Save"))

    # Undo with the shortcut of Edit > Undo, in the preferences window.
    focus(state, "WIN_preferences")
    run("xdotool", "key", "ctrl+z")
    state = editor.wait_for("⌘S back on Save", lambda s: keys_of(s, "Save") == ["⌘S"]
                            and "⌘S" not in keys_of(s, "Close"))

    # Search by keys: ⌘K finds the command whose shortcut starts with it.
    click(widget(state, "BTN_kb_search_keys")["frame"])
    state = editor.wait_for("recording", lambda s: s["key snooper"])
    focus(state, "WIN_preferences")
    run("xdotool", "key", "ctrl+k")
    state = editor.wait_for("the pressed keys in the field", lambda s: widget(s, "TEXT_kb_search")["text"] == "⌘K")
    titles = [entry["title"] for entry in state["outlines"][MENU]]
    if titles != ["File", "Revert to Saved"]:
        raise Failure("search by ⌘K shows %r" % titles)
    screenshot(os.path.join(artifacts, "3-search-by-keys.png"))
    run("xdotool", "key", "Escape")
    state = editor.wait_for("recording to end", lambda s: not s["key snooper"])
    click(widget(state, "BTN_kb_search_keys")["frame"])
    return editor.wait_for("every row back", lambda s: widget(s, "TEXT_kb_search")["text"] == ""
                           and len(s["outlines"][MENU]) > len(titles) and keys_of(s, "Save") == ["⌘S"])


def sequences_in_the_editor(editor, state, artifacts):
    """Five chords for "Editor Help", applied, then typed in the editor window."""
    state = open_configurator(editor, state, "Editor Help")
    run("xdotool", "key", "--delay", "80", *FIVE_CHORDS)
    state = editor.wait_for("five chords in the key field",
                            lambda s: widget(s, "TEXT_key_configurator")["text"] == "⌘K⌘H⌘E⌘L⌘P")
    click(widget(state, "BTN_key_configurator_OK")["frame"])
    state = editor.wait_for("the sheet to close", lambda s: not visible(s, "WIN_key_configurator"))
    click(widget(state, "PREF_apply")["frame"])
    state = editor.wait_for("five chords applied", lambda s: "Ctrl+K, Ctrl+H, Ctrl+E, Ctrl+L, Ctrl+P"
                            in s["menu shortcuts"][HELP]["shortcuts"])

    focus(state, "WIN_editor")
    run("xdotool", "key", "ctrl+k")
    state = editor.wait_for("the popup of what may follow", lambda s: visible(s, "WIN_key_sequence_popup"))
    rows = [(entry["key"], entry["title"]) for entry in state["outlines"][POPUP]]
    if state["status text"] != "⌘K" or rows != [("⌘H", "…"), ("⌘J", "Revert to Saved")]:
        raise Failure("after ⌘K the status bar shows %r and the popup %r" % (state["status text"], rows))
    screenshot(os.path.join(artifacts, "4-what-can-follow.png"))
    run("xdotool", "key", "Escape")
    state = editor.wait_for("the popup to go", lambda s: not visible(s, "WIN_key_sequence_popup")
                            and s["status text"] == "")
    run("xdotool", "key", "--delay", "80", *FIVE_CHORDS)
    return answer_alert(editor, HELP_ALERT)


def alerts_from_the_edit_menu(editor, state):
    """The hot key has its shortcut: the edit menu's "Add Shortcut..." is refused
    with an alert; then the edit menu of another command opens the sheet."""
    choose_add_shortcut(editor, state, "Bring QOR to Front")
    state = answer_alert(editor, HOT_KEY_ALERT)
    choose_add_shortcut(editor, state, "Bring All to Front")
    state = editor.wait_for("the key configurator",
                            lambda s: visible(s, "WIN_key_configurator") and s["key snooper"])
    click(widget(state, "BTN_key_configurator_cancel")["frame"])
    return editor.wait_for("the sheet to close",
                           lambda s: not visible(s, "WIN_key_configurator") and not s["key snooper"])


def road(editor, artifacts):
    editor.wait_until_started()
    state = editor.wait_for("the Key Bindings pane",
                            lambda s: visible(s, "VIEW_key_bindings") and widget(s, "PUB_sets")["text"] == "Default")

    # The default set can't be changed: a click on a command says so.
    click(row(state, "OLV_menu_key_bindings", "Save")["title cell"])
    state = answer_alert(editor, DEFAULT_SET_ALERT)

    # Duplicate the default set as "Mine".
    click(widget(state, "BTN_kb_duplicate_set")["frame"])
    state = editor.wait_for("the set-name sheet", lambda s: visible(s, "WIN_set_name"))
    focus(state, "WIN_set_name")
    run("xdotool", "type", "--delay", "60", "Mine")
    state = editor.wait_for("the typed name", lambda s: widget(s, "TEXT_set_name")["text"] == "Mine")
    click(widget(state, "BTN_set_name_OK")["frame"])
    state = editor.wait_for("the new set", lambda s: widget(s, "PUB_sets")["text"] == "Mine"
                            and not visible(s, "WIN_set_name"))

    state = alerts_from_the_edit_menu(editor, state)

    # A free chord for "Revert to Saved": Ctrl+Alt+R, Command-Option-R to the pane.
    state = open_add_shortcut(editor, state, "title cell")
    run("xdotool", "key", "--delay", "80", "ctrl+alt+r")
    state = editor.wait_for("the chord in the key field", lambda s: widget(s, "TEXT_key_configurator")["text"] == "⌥⌘R")
    conflict = widget(state, "TEXT_kb_conflict")
    if conflict["text"] != PROMPT or conflict["color"] != "black":
        raise Failure("expected the black prompt, got %r in %s" % (conflict["text"], conflict["color"]))
    if not widget(state, "BTN_key_configurator_OK")["enabled"]:
        raise Failure("OK is disabled for a free chord")
    screenshot(os.path.join(artifacts, "1-free-chord.png"))

    click(widget(state, "BTN_key_configurator_OK")["frame"])
    state = editor.wait_for("the sheet to close", lambda s: not visible(s, "WIN_key_configurator") and not s["key snooper"])
    if row(state, "OLV_menu_key_bindings", "Revert to Saved")["key"] != "⌥⌘R":
        raise Failure("the outline does not show the new shortcut")
    click(widget(state, "PREF_apply")["frame"])
    state = editor.wait_for("the menu to carry the shortcut",
                            lambda s: "Ctrl+Alt+R" in s["menu shortcuts"][REVERT]["shortcuts"])

    with open(editor.defaults_path, "rb") as file:
        defaults = plistlib.load(file)
    number = defaults["global.keyBindingsSetNumber"]
    stored = defaults["global.keyBindingsSets"][str(number)]
    if stored["name"] != "Mine":
        raise Failure("the current set is %r" % stored["name"])
    sequences = stored["menu"][REVERT]["key sequences"]
    chord = COMMAND | OPTION
    expected_strokes = [{"modifiers": chord}, {"key": "r", "unichar": ord("r"), "modifiers": chord}]
    got = [{k: v for k, v in stroke.items() if k != "code"} for stroke in sequences[-1]]
    if got != expected_strokes or "code" not in sequences[-1][-1]:
        raise Failure("the defaults hold %r" % sequences)

    # A chord that Save already uses.
    state = open_add_shortcut(editor, state, "key cell")
    run("xdotool", "key", "--delay", "80", "ctrl+s")
    state = editor.wait_for("the conflict line", lambda s: widget(s, "TEXT_kb_conflict")["text"] == CONFLICT)
    if widget(state, "TEXT_kb_conflict")["color"] != "red":
        raise Failure("the conflict line is not red")
    if widget(state, "BTN_key_configurator_OK")["enabled"]:
        raise Failure("OK is enabled for a chord Save uses")
    if state["menu shortcuts"][SAVE]["shortcuts"] != ["Ctrl+S"]:
        raise Failure("Save's shortcut changed")
    if any(window["name"] not in ("WIN_editor", "WIN_preferences", "WIN_key_configurator") for window in state["windows"]):
        raise Failure("a window opened behind the sheet: %r" % state["windows"])
    screenshot(os.path.join(artifacts, "2-conflict.png"))

    click(widget(state, "BTN_key_configurator_cancel")["frame"])
    state = editor.wait_for("the sheet to close", lambda s: not visible(s, "WIN_key_configurator"))
    state = fix_in_place_undo_and_search_by_keys(editor, state, artifacts)
    state = sequences_in_the_editor(editor, state, artifacts)
    click(widget(state, "PREF_ok")["frame"])
    state = editor.wait_for("the preferences window to go", lambda s: not s["preferences window"])
    if state["pending delayed calls"] != 0 or state["key snooper"]:
        raise Failure("closing the preferences left %d delayed calls, snooper %s"
                      % (state["pending delayed calls"], state["key snooper"]))

    # Quit with the menu's own shortcut.
    focus(state, "WIN_editor")
    run("xdotool", "key", "ctrl+q")
    editor.process.wait(timeout=WAIT_SECONDS)
    if editor.process.returncode != 0:
        raise Failure("the editor exited with %d" % editor.process.returncode)
    with open(editor.dump_path, "rb") as file:
        final = plistlib.load(file)
    if final["pending delayed calls"] != 0 or final["key snooper"]:
        raise Failure("quitting left delayed calls or a snooper behind")


def main(scenario=road, label="e2e", prepare=lambda folder: None):  # prepare fills the editor's folder first
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--editor", required=True)
    parser.add_argument("--artifacts", required=True)
    args = parser.parse_args()
    if not os.environ.get("DISPLAY"):
        print("no DISPLAY: run this under xvfb-run", file=sys.stderr)
        return 2
    os.makedirs(args.artifacts, exist_ok=True)
    print("artifacts: %s" % os.path.abspath(args.artifacts))
    folder = tempfile.mkdtemp(prefix="qor-e2e-")
    desktop_background(folder)
    bus, bus_address = private_session_bus()
    prepare(folder)
    editor = Editor(args.editor, folder, bus_address)
    try:
        scenario(editor, args.artifacts)
        print("%s: passed" % label)
        return 0
    except (Failure, subprocess.CalledProcessError, subprocess.TimeoutExpired) as failure:
        screenshot(os.path.join(args.artifacts, "failure.png"))
        print("%s: FAILED: %s" % (label, failure), file=sys.stderr)
        return 1
    finally:
        if editor.process.poll() is None:
            editor.process.kill()
            editor.process.wait()
        editor.log.close()
        bus.terminate()
        bus.wait()
        shutil.copy(os.path.join(folder, "editor.log"), os.path.join(args.artifacts, "editor.log"))
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
