#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, then builds and runs the whole test suite:
# the normal build (every test, the desktop ones under Xvfb; benchmarks built,
# not run), the Debian packages installed, run and removed again (as root), an ASan+UBSan build of every test (the Qt ones on the offscreen
# platform and the editor under Xvfb too: our code is instrumented, Qt's
# libraries are not, but their allocations and frees go through ASan), the
# editor's end-to-end road under valgrind (which sees Qt's own accesses to
# freed memory), and a short run of the fuzzers.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

scripts/setup.sh

jobs=$(nproc)
build=${QOR_BUILD_DIR:-build}
asan=${QOR_ASAN_BUILD_DIR:-build-asan}

echo "== normal build"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j "$jobs"
ctest --test-dir "$build" --output-on-failure -j "$jobs"

echo "== Debian packages: built, installed, the editor started under Xvfb, removed"
if [ "$(id -u)" -eq 0 ]; then
  python3 packaging/tests/package_test.py "$build"
else
  echo "skipped: installing packages needs root"
fi

echo "== ASan+UBSan build"
cmake -S . -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQOR_SANITIZE=ON -DQOR_WITH_BENCH=OFF
cmake --build "$asan" -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions="$top/scripts/lsan_suppressions.txt" \
  ctest --test-dir "$asan" --output-on-failure -j "$jobs"

echo "== the editor's end-to-end road under valgrind"
scripts/valgrind_e2e.sh "$build"

if [ -x scripts/run_fuzz.sh ]; then
  echo "== fuzzers"
  scripts/run_fuzz.sh
fi
echo "== all tests passed"
