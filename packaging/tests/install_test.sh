#!/usr/bin/env bash
# Installs the build into a scratch prefix, checks the layout, and builds and
# runs a small program against the installed library out of tree: once with
# find_package(QorToolbox) and once with pkg-config.
#   install_test.sh BUILD_DIR CONSUMER_DIR LIBDIR with-editor|without-editor
set -euo pipefail
build=$1
consumer=$2
libdir=$3
editor=$4
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix=$scratch/prefix

cmake --install "$build" --prefix "$prefix" >"$scratch/install.log"

expected=(
  include/qor/value.h include/qor/key_notation.h include/qor/gzip.h include/qor/rich_text.h
  include/qor/toolbox_export.h include/qor/toolbox_version.h include/qor/ports/toolkit.h
  include/qor/ports/graphics_context.h include/qor/ports/menu_item.h
  "$libdir/libqor-toolbox.so" "$libdir/libqor-toolbox.so.0" "$libdir/libqor-toolbox.so.0.1.0"
  "$libdir/cmake/QorToolbox/QorToolboxConfig.cmake" "$libdir/cmake/QorToolbox/QorToolboxConfigVersion.cmake"
  "$libdir/cmake/QorToolbox/QorToolboxTargets.cmake" "$libdir/pkgconfig/qor-toolbox.pc"
  bin/keybindings share/keybindings/pane/KeyBindings.ui share/keybindings/host/MainMenu.plist
  share/man/man1/keybindings.1
)
if [ "$editor" = with-editor ]; then
  expected+=(
    bin/qor-editor lib/qor-editor/plugins/KeyBindings/KeyBindings.so
    lib/qor-editor/plugins/KeyBindings/KeyBindings.ui lib/qor-editor/plugins/KeyBindings/Pref_shortcut.psd
    share/qor-editor/MainMenu.plist share/applications/qor-editor.desktop
    share/icons/hicolor/64x64/apps/qor-editor.png share/man/man1/qor-editor.1
  )
fi
for file in "${expected[@]}"; do
  [ -e "$prefix/$file" ] || { echo "not installed: $file"; exit 1; }
done
# The headers are the API alone: no seam of the tests, and nothing that
# makes a user of the library build against zlib.
if seams=$(grep -rlE 'qor/seams/|<zlib\.h>' "$prefix/include") || [ -e "$prefix/include/qor/seams" ]; then
  echo "installed headers show the seams or zlib: $seams"; exit 1
fi
# Every installed program finds the installed library, not the build's.
programs=("$prefix/bin/keybindings")
[ "$editor" = with-editor ] && programs+=("$prefix/bin/qor-editor" "$prefix/lib/qor-editor/plugins/KeyBindings/KeyBindings.so")
for program in "${programs[@]}"; do
  loaded=$(ldd "$program" | awk '$1 == "libqor-toolbox.so.0" { print $3 }')
  [ -n "$loaded" ] && [ "$(realpath "$loaded")" = "$(realpath "$prefix/$libdir/libqor-toolbox.so.0")" ] ||
    { echo "$program does not load the installed libqor-toolbox:"; ldd "$program"; exit 1; }
done
# No program or plug-in carries a static copy of the toolbox: only the
# library defines (exports) its symbols.
for program in "${programs[@]}"; do
  if nm -D --defined-only "$program" | grep -q ' _ZN3qor'; then
    echo "$program exports toolbox symbols"; exit 1
  fi
done

# The installed tool, on its installed bundles, in a scratch home.
XDG_CONFIG_HOME=$scratch/config QOR_PANE_RESOURCES=$prefix/share/keybindings/pane \
  QOR_HOST_RESOURCES=$prefix/share/keybindings/host "$prefix/bin/keybindings" sets | grep -q . ||
  { echo "the installed keybindings lists no set"; exit 1; }

cat >"$scratch/expected" <<'TEXT'
version 0.1.0
modifiers ⇧⌘
key F1
roman MCMXCIV
deflated yes, inflated as gzip no
red clamped to 1
TEXT

echo "== with CMake"
cmake -S "$consumer" -B "$scratch/cmake-build" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_BUILD_RPATH="$prefix/$libdir" >"$scratch/configure.log" || { cat "$scratch/configure.log"; exit 1; }
cmake --build "$scratch/cmake-build" >"$scratch/build.log" || { cat "$scratch/build.log"; exit 1; }
"$scratch/cmake-build/toolbox_consumer" >"$scratch/cmake.out"
diff "$scratch/expected" "$scratch/cmake.out"

echo "== with pkg-config"
export PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig"
[ "$(pkg-config --modversion qor-toolbox)" = 0.1.0 ]
[ -z "$(pkg-config --print-requires --print-requires-private qor-toolbox)" ] ||
  { echo "qor-toolbox.pc requires other packages"; exit 1; }
# shellcheck disable=SC2046
c++ -std=c++20 -o "$scratch/pkg-consumer" "$consumer/main.cc" $(pkg-config --cflags --libs qor-toolbox) \
  -Wl,-rpath,"$(pkg-config --variable=libdir qor-toolbox)"
"$scratch/pkg-consumer" >"$scratch/pkg.out"
diff "$scratch/expected" "$scratch/pkg.out"
echo "installed tree, CMake and pkg-config consumers: all good"
