#!/bin/sh
# qor-editor --help and --version answer where no display is: they must not
# need the windowing system (without one, Qt's platform plug-in aborts).
#   options_without_display.sh EDITOR VERSION
set -u
editor=$1
version=$2
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

help=$("$editor" --help 2>&1) || fail "--help exited with $?: $help"
for option in --version --preferences --defaults; do
  case $help in *"$option"*) ;; *) fail "--help does not name $option: $help" ;; esac
done
shown=$("$editor" --version 2>&1) || fail "--version exited with $?: $shown"
[ "$shown" = "qor-editor $version" ] || fail "--version printed '$shown', not 'qor-editor $version'"
echo "--help and --version work without a display"
