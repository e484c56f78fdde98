#!/usr/bin/env python3
"""Every text of the editor and of the Key Bindings pane has a German entry.

  translations_test.py SOURCE_ROOT

For each bundle (the pane's resources/, the editor's apps/editor/resources/), every
msgid of every locale/en/<Table>.po has a non-empty msgstr in
locale/de/<Table>.po with the same placeholders (%@, %1, ...). The English
tables in turn hold every text the code looks up: the editor's uiText("...")
texts and main-menu titles (GUIStrings), the pane's interface description
(KeyBindings); and the editor has no tr() left that would bypass them.
"""
import glob
import os
import plistlib
import re
import sys

ENTRY = re.compile(r'^msgid "((?:[^"\\]|\\.)*)"\nmsgstr "((?:[^"\\]|\\.)*)"', re.M)
PLACEHOLDER = re.compile(r"%(?:@|\d+)")


def unescape(text):
    return text.replace('\\"', '"').replace("\\\\", "\\")


def table(path):
    """The entries of a PO file; none when it is missing."""
    if not os.path.exists(path):
        return {}
    with open(path, encoding="utf-8") as po:
        return {unescape(key): unescape(value) for key, value in ENTRY.findall(po.read()) if key}


def main(root):
    faults = []
    for bundle in ("resources", "apps/editor/resources"):
        english_tables = sorted(glob.glob(os.path.join(root, bundle, "locale/en/*.po")))
        if not english_tables:
            faults.append(bundle + ": no English tables")
        for english_path in english_tables:
            german_path = english_path.replace("/locale/en/", "/locale/de/")
            german = table(german_path)
            for key in table(english_path):
                name = os.path.relpath(german_path, root) + ": " + repr(key)
                if not german.get(key):
                    faults.append(name + " has no German text")
                elif sorted(PLACEHOLDER.findall(key)) != sorted(PLACEHOLDER.findall(german[key])):
                    faults.append(name + " changes the placeholders: " + repr(german[key]))

    editor = table(os.path.join(root, "apps/editor/resources/locale/en/GUIStrings.po"))
    looked_up = []
    for source in glob.glob(os.path.join(root, "apps/editor/src/*.cc")):
        with open(source, encoding="utf-8") as code:
            text = code.read()
        looked_up += [unescape(key) for key in re.findall(r'uiText\("((?:[^"\\]|\\.)*)"', text)]
        if re.search(r"(?<![\w:])tr\(", text):
            faults.append(os.path.basename(source) + ": tr() bypasses the editor's tables; use uiText()")
    with open(os.path.join(root, "apps/editor/resources/MainMenu.plist"), "rb") as menu_file:
        items = list(plistlib.load(menu_file))
    while items:
        item = items.pop()
        looked_up += [item["title"]] if "title" in item else []
        items += item.get("submenu", [])
    faults += ["GUIStrings.po lacks " + repr(key) for key in looked_up if key not in editor]

    interface = table(os.path.join(root, "resources/locale/en/KeyBindings.po"))
    with open(os.path.join(root, "resources/KeyBindings.ui"), encoding="utf-8") as ui:
        # Column identifiers are keys of the pane, not texts.
        description = re.sub(r'<property name="columnIdentifiers".*?</property>', "", ui.read(), flags=re.S)
    shown = [text.replace("&apos;", "'") for text in re.findall(r"<string>([^<]+)</string>", description)]
    faults += ["KeyBindings.po lacks " + repr(text) for text in shown if text not in interface]

    for fault in faults:
        print(fault)
    print("translations: %d faults" % len(faults))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
