#!/usr/bin/env bash
# Builds the editor and starts it with the preferences window open on Key
# Bindings. Arguments go to the editor (a file to open, --defaults FILE, ...).
#
# Without a display ($DISPLAY and $WAYLAND_DISPLAY unset) it runs the editor
# under Xvfb instead, saves a screenshot of the screen and says where.
#   QOR_BUILD_DIR  the build folder (default: build, as scripts/test.sh)
#   QOR_JOBS       parallel build jobs (default: the number of processors)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
build=${QOR_BUILD_DIR:-$top/build}
jobs=${QOR_JOBS:-$(nproc)}

if [ -f "$build/CMakeCache.txt" ]; then
  cmake -S "$top" -B "$build" -DQOR_WITH_QT=ON > /dev/null
else
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQOR_WITH_QT=ON > /dev/null
fi
cmake --build "$build" -j "$jobs" --target qor-editor
editor="$build/editor/bin/qor-editor"

# Something to read in the editor's window: the project's own README.
document=()
for candidate in "$top/README.md" "$top/docs/architecture.md"; do
  if [ $# -eq 0 ] && [ -f "$candidate" ]; then
    document=("$candidate")
    break
  fi
done

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$editor" --preferences KeyBindings "${document[@]}" "$@"
fi

if ! command -v xvfb-run > /dev/null; then
  echo "run.sh: no display, and xvfb-run is missing (scripts/setup.sh installs it)" >&2
  exit 1
fi
screenshot="$build/screenshots/qor-editor.png"
mkdir -p "$(dirname "$screenshot")"
rm -f "$screenshot"
# A plain desktop behind the windows (Xvfb's root is black), then the editor.
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  background=$(mktemp --suffix=.png)
  /usr/bin/convert -size 1280x800 gradient:"#4b5d73"-"#27313d" "$background" 2> /dev/null &&
    display -window root "$background" 2> /dev/null || true
  rm -f "$background"
  exec "$@"' run.sh "$editor" --preferences KeyBindings --screenshot "$screenshot" "${document[@]}" "$@"
if [ ! -s "$screenshot" ]; then
  echo "run.sh: the editor left no screenshot" >&2
  exit 1
fi
echo "run.sh: no display, so the editor ran under Xvfb; its screenshot is $screenshot"
