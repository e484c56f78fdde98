#!/usr/bin/env bash
# Runs the editor's end-to-end road (apps/editor/tests/e2e_key_bindings.py) under
# valgrind's memcheck, on a real X display (Xvfb), and fails on any invalid
# read, write or free in the editor's process. Qt's own libraries are not
# instrumented by the sanitizer build, so only valgrind sees Qt code touching
# freed memory (a menu freed under its own click did).
#
# Reports of uninitialised bytes come from libxcb's request padding and from
# code without symbols (Mesa's JIT): they are listed, not counted.
#
# Usage: scripts/valgrind_e2e.sh [BUILD_DIR]   (default: build; the editor must be built)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
editor="$build/editor/bin/qor-editor"
[ -x "$editor" ] || { echo "valgrind_e2e: no editor at $editor" >&2; exit 2; }
command -v valgrind >/dev/null || { echo "valgrind_e2e: valgrind is not installed" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat > "$work/editor" <<WRAPPER
#!/bin/sh
exec valgrind --tool=memcheck --trace-children=no --log-file="$work/memcheck.%p.log" "$editor" "\$@"
WRAPPER
chmod +x "$work/editor"

status=0
QOR_E2E_WAIT_SECONDS=120 xvfb-run -a -s "-screen 0 1280x800x24" \
  python3 "$top/apps/editor/tests/e2e_key_bindings.py" --editor "$work/editor" \
  --artifacts "$build/apps/editor/e2e-valgrind-artifacts" || status=$?

# One log per process: the editor's own, and one for each child it forks (a
# child that execs another program leaves only valgrind's header, with the
# editor's command line and no summary). The editor's own log is the one whose
# parent is not itself a process with a log here.
editor_logs=()
for log in "$work"/memcheck.*.log; do
  [ -e "$log" ] || continue
  parent=$(sed -n 's/^==[0-9]*== Parent PID: \([0-9]*\)$/\1/p' "$log")
  if [ -e "$work/memcheck.$parent.log" ]; then
    echo "valgrind_e2e: a child the editor forked: $(sed -n 's/^==[0-9]*== Command: //p' "$log")"
    continue
  fi
  editor_logs+=("$log")
done
if [ "${#editor_logs[@]}" -ne 1 ]; then
  echo "valgrind_e2e: expected one memcheck log of the editor's own process, found ${#editor_logs[@]}" >&2
  status=1
else
  log=${editor_logs[0]}
  if grep -E -q 'Invalid (read|write|free)|Mismatched free|Source and destination overlap' "$log"; then
    echo "valgrind_e2e: memory errors in the editor:" >&2
    cat "$log" >&2
    status=1
  elif ! grep -q 'ERROR SUMMARY' "$log"; then
    echo "valgrind_e2e: the editor's memcheck log has no summary (did it end?):" >&2
    cat "$log" >&2
    status=1
  else
    sed -n 's/^==[0-9]*== \(ERROR SUMMARY.*\)$/valgrind_e2e: \1/p' "$log"
  fi
fi
[ "$status" = 0 ] && echo "valgrind_e2e: no invalid access"
exit "$status"
