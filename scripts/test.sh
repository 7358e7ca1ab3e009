#!/usr/bin/env bash
# The test command: installs what is missing, builds, runs every test.
#   scripts/test.sh [PRESET]      PRESET: default (the normal build) or asan
# At the end it prints how long each phase took.
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
phases=()
phase() {
  local name=$1 start=$SECONDS
  shift
  "$@"
  phases+=("$(printf '%-10s %5d s' "$name" $((SECONDS - start)))")
}
report() {
  echo "test.sh: time per phase"
  for p in "${phases[@]}"; do echo "  $p"; done
  echo "  total      $(printf '%5d' "$SECONDS") s"
}
trap report EXIT
phase setup scripts/setup.sh --no-qt
# Qt for Windows, built from Debian's source package the first time only
# (30 to 60 minutes), then found in its cache.
phase qt-windows scripts/qt-windows
# No source without the toolkit includes a header of one system outside
# the seams.
phase check scripts/check-headers
phase build scripts/build.sh "$preset"
# The terminal programs and the rules below the windows for Windows; the
# LAN tests run them under Wine.
phase windows scripts/build.sh windows
# The Debian packages, made from the build just tested and checked with
# lintian; a LAN test installs them.
phase package scripts/package.sh --from "$preset"
# A short run of every fuzz target; scripts/fuzz.sh runs them longer.
phase fuzz scripts/fuzz.sh --seconds 10
phase tests ctest --preset "$preset" -j2
