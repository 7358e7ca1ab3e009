#!/usr/bin/env bash
# Configures and builds with a CMake preset (default: "default").
# The default build is the one the packages are made from, so it is built
# as Debian builds packages: its hardening flags (fortified functions, stack
# protector, full RELRO with immediate binding; the compiler makes
# position-independent programs by default).
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
flags=()
if [ "$preset" = default ] && command -v dpkg-buildflags >/dev/null; then
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all
  # -O2 and -g come from the preset's build type.
  cxx=$(dpkg-buildflags --get CXXFLAGS | tr ' ' '\n' | grep -vxE -- '-g|-O2' | tr '\n' ' ')
  flags=(-DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $cxx"
         -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
         -DCMAKE_MODULE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
         -DCMAKE_STRIP="$PWD/packaging/strip")
fi
cmake --preset "$preset" "${flags[@]}" >/dev/null
cmake --build --preset "$preset"
