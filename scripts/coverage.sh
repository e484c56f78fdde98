#!/usr/bin/env bash
# Line and branch coverage of the test suite: a GCC Debug build instrumented
# with --coverage (Qt on, so the Qt platform, the plug-in and the editor are
# measured; their tests run on the offscreen platform or under Xvfb as ctest
# arranges), every test run once, then gcovr over our own sources (tests,
# benchmarks, fuzzers, the testing library and the build tree left out).
#
#   scripts/coverage.sh [BUILD_DIR]     (default build-coverage)
#
# Writes BUILD_DIR/coverage/index.html (a page per source file, lines and
# branches marked), BUILD_DIR/coverage/summary.json (totals per file) and
# BUILD_DIR/coverage/layers.txt (the table per layer, also printed). Branches
# that only exception unwinding takes, and those the compiler proved
# unreachable, are not counted, so the branch figures are those of our own
# conditions. A failing test is reported, the report is still written, and the
# script then exits 1.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

scripts/setup.sh

build=${1:-build-coverage}
jobs=2
coverage_flags=--coverage

echo "== coverage build in $build"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ \
  -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
  -DCMAKE_C_FLAGS="$coverage_flags" -DCMAKE_CXX_FLAGS="$coverage_flags" \
  -DCMAKE_EXE_LINKER_FLAGS="$coverage_flags" -DCMAKE_SHARED_LINKER_FLAGS="$coverage_flags" \
  -DCMAKE_MODULE_LINKER_FLAGS="$coverage_flags" \
  -DQOR_WITH_QT=ON -DQOR_WITH_BENCH=OFF
cmake --build "$build" -j "$jobs"
build=$(cd "$build" && pwd)

echo "== tests"
# Counts from an earlier run would add up with this one's.
find "$build" -name '*.gcda' -delete
# Left out: the API reference check (Doxygen, no code of ours runs), the
# library's symbol check (the coverage runtime linked into the library
# exports counters of its own) and the install test (it builds an
# uninstrumented program against an installed copy).
tests_status=0
ctest --test-dir "$build" --output-on-failure -j "$jobs" \
  -E '^(api_reference_complete|toolbox_exported_symbols)$' -LE '^install$' || tests_status=$?

echo "== gcovr"
report=$build/coverage
rm -rf "$report"
mkdir -p "$report"
# CMake's compiler checks under CMakeFiles/<version>/ are compiled with the
# flags too, and never run.
gcovr --root "$top" --object-directory "$build" -j "$jobs" \
  --exclude-directories "$build/CMakeFiles/[0-9.]+/" \
  --exclude '(.+/)?tests/' --exclude '(.+/)?bench/' --exclude '(.+/)?fuzz/' --exclude "$top/testing/" \
  --exclude "$build/" \
  --exclude-throw-branches --exclude-unreachable-branches \
  --html-details "$report/index.html" --html-title "Key Bindings coverage" \
  --json-summary-pretty --json-summary "$report/summary.json" \
  --print-summary "$build"

# The table per layer: the files of each layer's folder added up.
python3 - "$report/summary.json" "$report/layers.txt" <<'EOF'
import json, sys

summary_path, table_path = sys.argv[1], sys.argv[2]
files = json.load(open(summary_path))["files"]
toolbox_parts = ["runtime", "keynotation", "formatting", "transforms", "drawing", "files", "richtext", "library"]
layers = (["foundation", "ports"] + [f"toolbox/{part}" for part in toolbox_parts] + ["pane/model", "pane"] +
          [f"platform/{port}" for port in ["headless", "qt", "defaults", "text"]] +
          ["apps/editor", "apps/plugin", "apps/keybindings", "apps/drawing_gallery"])

def layer_of(filename):
    for layer in layers:
        if filename.startswith(layer + "/"):
            return layer
    return "other"

totals = {}
for entry in files:
    sums = totals.setdefault(layer_of(entry["filename"]), [0, 0, 0, 0])
    sums[0] += entry["line_covered"]
    sums[1] += entry["line_total"]
    sums[2] += entry["branch_covered"]
    sums[3] += entry["branch_total"]

def percent(covered, total):
    return f"{100.0 * covered / total:5.1f}%" if total else "    -"

rows = [f"{'layer':<22} {'lines':>16} {'':>6} {'branches':>16} {'':>6}"]
grand = [0, 0, 0, 0]
for layer in layers + ["other"]:
    if layer not in totals:
        continue
    lc, lt, bc, bt = totals[layer]
    grand = [a + b for a, b in zip(grand, totals[layer])]
    rows.append(f"{layer:<22} {lc:>7} / {lt:>6} {percent(lc, lt)} {bc:>7} / {bt:>6} {percent(bc, bt)}")
lc, lt, bc, bt = grand
rows.append(f"{'all':<22} {lc:>7} / {lt:>6} {percent(lc, lt)} {bc:>7} / {bt:>6} {percent(bc, bt)}")
with open(table_path, "w") as table:
    table.write("\n".join(rows) + "\n")
print("\n".join(rows))
EOF

echo "== report: $report/index.html, per layer: $report/layers.txt"
if [ "$tests_status" -ne 0 ]; then
  echo "== some tests failed (ctest status $tests_status): the figures count what ran"
  exit 1
fi
