#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, then builds and runs the whole test suite:
# the normal build (every test, the desktop ones under Xvfb; benchmarks built,
# not run), the Debian packages installed, run and removed again (as root), an
# ASan+UBSan build of every test (the Qt ones on the offscreen platform and the
# editor under Xvfb too: our code is instrumented, Qt's libraries are not, but
# their allocations and frees go through ASan), a ThreadSanitizer build of the
# tests whose code starts threads or forks, the editor's end-to-end road under
# valgrind (which sees Qt's own accesses to freed memory), and a short run of
# the fuzzers.
#
# Each stage is announced with "== <stage>"; when one fails, the last line says
# which stage it was and with what exit status, whatever command inside it
# failed. Where ccache is installed the compilers go through it, keyed on paths
# relative to the checkout, so a second run, or a fresh clone elsewhere on the
# same machine, compiles only what changed.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

stage="setup (scripts/setup.sh)"
trap 'status=$?; if [ "$status" -ne 0 ]; then
  echo "== test command FAILED in stage \"$stage\" (exit status $status)" >&2; fi' EXIT
begin() {
  stage=$1
  echo "== $stage"
}

scripts/setup.sh

jobs=$(nproc)
build=${QOR_BUILD_DIR:-build}
asan=${QOR_ASAN_BUILD_DIR:-build-asan}
tsan=${QOR_TSAN_BUILD_DIR:-build-tsan}
# The tests of the code that starts threads or forks: the logger's sender
# thread and the command filter's children.
tsan_targets=(foundation_log_test foundation_log_exit_helper toolbox_command_filter_test)
tsan_tests='^(foundation_log_test|toolbox_command_filter_test)\.'
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR="$top" CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

begin "normal build"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}"
cmake --build "$build" -j "$jobs"
begin "normal build: tests"
ctest --test-dir "$build" --output-on-failure -j "$jobs"

begin "Debian packages: built, installed, the editor started under Xvfb, removed"
if [ "$(id -u)" -eq 0 ]; then
  python3 packaging/tests/package_test.py "$build"
else
  echo "skipped: installing packages needs root"
fi

begin "ASan+UBSan build"
# Unoptimised, with line tables only: enough for the sanitizers' reports, and
# the cheapest to compile and link.
cmake -S . -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_FLAGS_DEBUG=-g1 -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DQOR_SANITIZE=ON -DQOR_WITH_BENCH=OFF "${launcher[@]}"
cmake --build "$asan" -j "$jobs"
begin "ASan+UBSan build: tests"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions="$top/scripts/lsan_suppressions.txt" \
  ctest --test-dir "$asan" --output-on-failure -j "$jobs"

begin "ThreadSanitizer: the logger and the command filter"
cmake -S . -B "$tsan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQOR_SANITIZE_THREAD=ON -DQOR_WITH_QT=OFF \
  -DQOR_WITH_BENCH=OFF "${launcher[@]}"
cmake --build "$tsan" -j "$jobs" --target "${tsan_targets[@]}"
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir "$tsan" --output-on-failure -j "$jobs" -R "$tsan_tests"

begin "the editor's end-to-end road under valgrind"
scripts/valgrind_e2e.sh "$build"

begin "fuzzers"
scripts/run_fuzz.sh

stage="done"
echo "== all tests passed"
