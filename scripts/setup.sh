#!/usr/bin/env bash
# Installs what the build, the tests and the host need on Debian 12 (as root,
# or through sudo). Packages already present are not fetched again.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-tools-dev libqt6opengl6-dev qt6-svg-dev
  libplist-dev libplist-utils libicu-dev zlib1g-dev libtiff-dev libtiff-tools libglib2.0-dev
  libgtest-dev libgmock-dev libbenchmark-dev libdeflate-dev
  xvfb xauth xdotool x11-apps imagemagick fonts-dejavu-core
  openssl gzip python3 clang libclang-rt-14-dev locales valgrind
  libblkid-dev trash-cli doxygen gcovr ccache
  qt6-translations-l10n
  libxcb1-dev libxkbcommon-dev x11-xkb-utils
  gsettings-desktop-schemas libglib2.0-bin
  x11-utils dbus-daemon python3-dbus python3-gi
  nlohmann-json3-dev libexpat1-dev
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi
echo "setup: installing ${missing[*]}"
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
