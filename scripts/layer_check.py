#!/usr/bin/env python3
"""Checks every #include of the tree against the layer its file lives in.

Each layer folder holds a file named LAYER saying what its code may include
besides its own headers, the C and C++ libraries and the system's headers:

    code: foundation ports toolbox/keynotation icu
    tests: platform/headless testing gtest

"code" names other layer folders and outside libraries (the words of
LIBRARIES below); "tests" adds what the folder's tests/, fuzz/ and bench
files may include on top of that. A file belongs to the nearest folder above
it with a LAYER file. A header is found where a target publishes it (an
include/ folder of a layer), or beside the file that includes it; a header in
another layer's src/ is private and never includable from outside it.

Usage: layer_check.py SOURCE_DIR [--plant PATH TEXT]...
  --plant adds a file that is not on disk (PATH relative to SOURCE_DIR), to
  show that a wrong include fails the check.
Prints one line per wrong include and exits 1 when there is any, 0 otherwise.
"""
import os
import re
import sys

# Outside libraries by the include paths that name them.
LIBRARIES = {
    "qt": re.compile(r"^Q[A-Za-z]+$|^Qt[A-Za-z]*/"),
    "gtest": re.compile(r"^(gtest|gmock)/"),
    "benchmark": re.compile(r"^benchmark/"),
    "libplist": re.compile(r"^plist/"),
    "icu": re.compile(r"^unicode/"),
    "zlib": re.compile(r"^zlib\.h$"),
    "libdeflate": re.compile(r"^libdeflate\.h$"),
    "libtiff": re.compile(r"^tiff(io)?\.h$"),
    "gio": re.compile(r"^(gio/|glib[/.])"),
    "blkid": re.compile(r"^blkid/"),
    "xcb": re.compile(r"^(xcb/|X11/)"),
    "xkbcommon": re.compile(r"^xkbcommon/"),
    "nlohmann": re.compile(r"^nlohmann/"),
    "expat": re.compile(r"^expat\.h$"),
}
TEST_FOLDERS = ("tests", "fuzz")
SOURCE_SUFFIXES = (".cc", ".cpp", ".h", ".hpp")
SKIPPED = re.compile(r"^(build[^/]*|\.git|docs|packaging|resources)(/|$)")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.MULTILINE)


def read_layers(top):
    layers = {}
    for folder, dirs, files in os.walk(top):
        rel = os.path.relpath(folder, top)
        if rel != "." and SKIPPED.match(rel):
            dirs[:] = []
            continue
        if "LAYER" in files:
            rules = {"code": [], "tests": []}
            with open(os.path.join(folder, "LAYER"), encoding="utf-8") as handle:
                for line in handle:
                    line = line.split("#", 1)[0].strip()
                    if line:
                        kind, _, names = line.partition(":")
                        rules[kind.strip()] = names.split()
            layers["" if rel == "." else rel] = rules
    return layers


def layer_of(path, layers):
    folder = os.path.dirname(path)
    while folder not in layers:
        if not folder:
            return None
        folder = os.path.dirname(folder)
    return folder


def main(argv):
    top = argv[1]
    planted = {}
    rest = argv[2:]
    while rest[:1] == ["--plant"] and len(rest) >= 3:
        planted[rest[1]] = rest[2]
        rest = rest[3:]
    if rest:
        print(__doc__, file=sys.stderr)
        return 2
    layers = read_layers(top)
    files = dict(planted)
    for folder, dirs, names in os.walk(top):
        rel = os.path.relpath(folder, top)
        if rel != "." and SKIPPED.match(rel):
            dirs[:] = []
            continue
        for name in names:
            if name.endswith(SOURCE_SUFFIXES):
                path = os.path.normpath(os.path.join(rel, name))
                with open(os.path.join(top, path), encoding="utf-8", errors="replace") as handle:
                    files.setdefault(path, handle.read())

    # Where each header may be found by its include path: published in a
    # layer's include/ folder (or seams/, the headers the library neither
    # installs nor exports, for its tests and the layers above), or private in
    # its src/ folder.
    published, private = {}, {}
    for path in files:
        parts = path.split("/")
        for index, part in enumerate(parts[:-1]):
            if part in ("include", "seams", "src"):
                key = "/".join(parts[index + 1:])
                (private if part == "src" else published).setdefault(key, set()).add(layer_of(path, layers))

    failures = []
    for path, text in sorted(files.items()):
        own = layer_of(path, layers)
        if own is None:
            failures.append(f"{path}: in no layer (no LAYER file above it)")
            continue
        in_tests = any(part in TEST_FOLDERS for part in path.split("/")) or own == "bench"
        allowed = set(layers[own]["code"]) | ({own} if own else set())
        if in_tests:
            allowed |= set(layers[own]["tests"])
        for bracket, name in INCLUDE.findall(text):
            beside = os.path.normpath(os.path.join(os.path.dirname(path), name))
            if bracket == '"' and beside in files:
                owners = {layer_of(beside, layers)}
            elif name in published:
                owners = published[name]
            elif name in private:
                owners = private[name]
                if own not in owners:
                    failures.append(f"{path}: includes {name}, private to {', '.join(sorted(owners))}")
                continue
            else:
                owners = {library for library, pattern in LIBRARIES.items() if pattern.search(name)}
                if not owners:
                    continue  # the C or C++ library, or the system's own headers
            if not owners & allowed:
                failures.append(f"{path}: includes {name} of {', '.join(sorted(owners))}, "
                                f"which {own}/LAYER does not allow")
    for failure in failures:
        print(failure)
    if failures:
        print(f"layer check: {len(failures)} include(s) against the layers")
        return 1
    print(f"layer check: {len(files)} files keep to their layers")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
