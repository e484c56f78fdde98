#!/usr/bin/env python3
"""Shows that the layer check fails on wrong includes planted into the tree:
each case plants one file and expects the check to exit 1 naming it."""
import os
import subprocess
import sys

top = sys.argv[1]
check = os.path.join(os.path.dirname(os.path.abspath(__file__)), "layer_check.py")
# (planted file, its text, what the check must say about it)
cases = [
    ("foundation/src/planted.cc", '#include "qor/key_bindings.h"', "of pane, which foundation/LAYER does not allow"),
    ("toolbox/formatting/src/planted.cc", '#include "qor/alias.h"', "of toolbox/files, which"),
    ("pane/src/planted.cc", "#include <QWidget>", "of qt, which pane/LAYER does not allow"),
    ("apps/keybindings/src/planted.cc", '#include "undo_history.h"', "private to pane"),
    ("pane/tests/planted.cc", '#include "qor/editor/document_archive.h"', "of apps/editor/documents, which"),
]
failed = 0
for path, text, expected in cases:
    run = subprocess.run([sys.executable, check, top, "--plant", path, text], capture_output=True, text=True)
    said = [line for line in run.stdout.splitlines() if line.startswith(path + ":")]
    if run.returncode != 1 or not any(expected in line for line in said):
        print(f"FAIL: planting {text!r} in {path} gave exit {run.returncode} and {said or 'no line'}")
        failed += 1
print(f"{len(cases) - failed} of {len(cases)} planted includes caught")
sys.exit(1 if failed else 0)
