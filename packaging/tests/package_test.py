#!/usr/bin/env python3
"""Builds the Debian packages of a build folder, installs them into this
machine with dpkg -i (as root), starts the installed editor under Xvfb on its
preferences and reads from its --dump-state file that the Key Bindings pane is
listed, then removes the packages again and checks that none of their files
is left.

  package_test.py BUILD_DIR [--keep-debs DIR]

Needs root, cpack, dpkg, xvfb-run. The packages' dependencies on system
libraries must already be installed (scripts/setup.sh does that)."""
import argparse
import glob
import os
import plistlib
import shutil
import signal
import subprocess
import sys
import tempfile
import time

PACKAGES = ["libqor-toolbox0", "libqor-toolbox-dev", "qor-keybindings", "qor-editor"]
WAIT_SECONDS = 30
POLL_SECONDS = 0.2


class Failure(Exception):
    pass


def output(*command, **kwargs):
    return subprocess.run(command, check=True, capture_output=True, text=True, **kwargs).stdout


def installed(package):
    result = subprocess.run(["dpkg-query", "-W", "-f=${Status}", package], capture_output=True, text=True)
    return result.returncode == 0 and "installed" in result.stdout.split()


def build_packages(build, folder):
    output("cpack", "-G", "DEB", "-B", folder, "--config", os.path.join(build, "CPackConfig.cmake"), cwd=build)
    debs = {}
    for path in glob.glob(os.path.join(folder, "*.deb")):
        debs[output("dpkg-deb", "-f", path, "Package").strip()] = path
    missing = [package for package in PACKAGES if package not in debs]
    if missing:
        raise Failure("cpack made no package " + ", ".join(missing))
    for package, path in sorted(debs.items()):
        print(package + ": Depends: " + output("dpkg-deb", "-f", path, "Depends").strip())
    editor_depends = output("dpkg-deb", "-f", debs["qor-editor"], "Depends")
    # Computed by dpkg-shlibdeps from the binaries, not written by hand.
    for needed in ["libqor-toolbox0", "libqt6widgets6", "libc6"]:
        if needed not in editor_depends:
            raise Failure("qor-editor does not depend on " + needed)
    return debs


def editor_lists_pane(home):
    dump = os.path.join(home, "state.plist")
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"), QT_QPA_PLATFORM="xcb")
    log = open(os.path.join(home, "editor.log"), "w")
    process = subprocess.Popen(
        ["xvfb-run", "-a", "-s", "-screen 0 1280x800x24", shutil.which("qor-editor") or "qor-editor",
         "--preferences", "KeyBindings", "--dump-state", dump],
        env=env, stdout=log, stderr=subprocess.STDOUT, start_new_session=True)
    try:
        deadline = time.time() + WAIT_SECONDS
        while time.time() < deadline:
            if process.poll() is not None:
                raise Failure("the installed editor exited with %s" % process.returncode)
            try:
                with open(dump, "rb") as file:
                    state = plistlib.load(file)
                names = [pane.get("name") for pane in state.get("panes", [])]
                if "Key Bindings" in names:
                    print("the installed editor lists the panes " + ", ".join(names))
                    return
            except (FileNotFoundError, plistlib.InvalidFileException):
                pass
            time.sleep(POLL_SECONDS)
        raise Failure("the installed editor did not list the Key Bindings pane")
    finally:
        if process.poll() is None:
            os.killpg(process.pid, signal.SIGTERM)
            process.wait(timeout=WAIT_SECONDS)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    arguments = parser.parse_args()
    if os.geteuid() != 0:
        raise Failure("installing packages needs root")
    already = [package for package in PACKAGES if installed(package)]
    if already:
        raise Failure("already installed, not touched: " + ", ".join(already))
    with tempfile.TemporaryDirectory() as folder:
        debs = build_packages(os.path.abspath(arguments.build), folder)
        files = []
        try:
            output("dpkg", "-i", *[debs[package] for package in PACKAGES])
            for package in PACKAGES:
                files += [path for path in output("dpkg", "-L", package).splitlines() if os.path.isfile(path)]
            print("installed %d files" % len(files))
            home = os.path.join(folder, "home")
            os.makedirs(home)
            editor_lists_pane(home)
            sets = output(shutil.which("keybindings") or "keybindings", "sets",
                          env=dict(os.environ, XDG_CONFIG_HOME=os.path.join(home, "config")))
            if not sets.strip():
                raise Failure("the installed keybindings lists no set")
            print("the installed keybindings lists: " + sets.strip().replace("\n", "; "))
        finally:
            subprocess.run(["dpkg", "-r"] + [package for package in reversed(PACKAGES) if installed(package)],
                           check=True, capture_output=True)
        left = [path for path in files if os.path.lexists(path)]
        if left:
            raise Failure("left after removal: " + ", ".join(left))
        still = [package for package in PACKAGES if installed(package)]
        if still:
            raise Failure("still installed: " + ", ".join(still))
    print("packages built, installed, run and removed cleanly")


if __name__ == "__main__":
    try:
        main()
    except (Failure, subprocess.CalledProcessError) as error:
        detail = getattr(error, "stderr", None)
        print("package test failed: %s%s" % (error, "\n" + detail if detail else ""), file=sys.stderr)
        sys.exit(1)
