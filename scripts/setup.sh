#!/usr/bin/env bash
# Installs what Brevane needs to build, test and run its demo, from Debian's
# packages, then builds Qt for Windows from Debian's source package once
# (scripts/qt-windows). Safe to run again: it installs only what is missing.
#   scripts/setup.sh [--no-qt]    --no-qt: the packages only (the test
#                                 command builds Qt as a phase of its own)
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  # build
  cmake g++ ninja-build pkg-config qt6-base-dev libgl-dev libgtest-dev libgmock-dev libglib2.0-dev
  libsecret-1-dev libfontconfig-dev
  # network drives at run time (GVfs mounts, its FUSE folder, the keyring)
  gvfs-backends gvfs-fuse dbus dbus-x11 gnome-keyring libglib2.0-bin
  # the toolkit's own texts (message-box buttons, the file dialog) in the user's language
  qt6-translations-l10n
  # the simulated devices' shared folders
  samba smbclient
  # the Windows build (MinGW-w64), its GoogleTest sources, and Wine to test it
  g++-mingw-w64-x86-64-posix googletest wine64 groff-base
  # Qt for Windows from Debian's source package, built with Debian's Qt as
  # the host's tools; the Windows installer (wixl, and msibuild to adjust it)
  qt6-base-dev-tools dpkg-dev msitools wixl
  # the Windows program's windows under Wine: Wine's own fonts (the ones a
  # Windows desktop has), and keys typed into them as a person would
  fonts-wine xdotool
  # fuzzing
  clang libclang-rt-14-dev
  # the test LAN, and curl to compare uploads against
  iproute2 curl
  # reading brevane-scan's JSON back in its tests
  python3
  # the Prometheus exporter (HTTP, the exposition format, its configuration),
  # and the fleet engines its tests and the Ansible collection's drive
  libcpp-httplib-dev prometheus-cpp-dev libyaml-cpp-dev prometheus ansible-core git
  # the Debian packages and their checks
  dpkg-dev fakeroot lintian appstream desktop-file-utils
  # headless windows, screenshots and fonts (Latin and Chinese)
  xvfb xauth imagemagick openbox fonts-dejavu-core fonts-wqy-microhei
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  [ "$(id -u)" = 0 ] || { echo "setup: run as root to install: ${missing[*]}" >&2; exit 1; }
  echo "setup: installing ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  # Debian's prometheus starts a service that scrapes the machine itself;
  # the tests run their own inside a test LAN, and nothing else should.
  if [[ " ${missing[*]} " == *" prometheus "* ]] && [ -d /run/systemd/system ]; then
    systemctl disable --now prometheus >/dev/null 2>&1 || true
  fi
fi

[ "${1:-}" = --no-qt ] || scripts/qt-windows >/dev/null
