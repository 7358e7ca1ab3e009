#!/usr/bin/env bash
# The test command: installs what is missing, builds, runs every test.
#   scripts/test.sh [PRESET]      PRESET: default (the normal build) or asan
# At the end it prints how long each phase took.
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
phases=()
# The processor time the commands this script ran have used so far, in
# whole seconds (user and system), into cpu_now: on a machine others share,
# it says what a phase costs when its wall time cannot. (`times` runs in
# this shell: in a pipe or $(...), a subshell would count only its own.)
times_file=$(mktemp)
cpu() {
  times >"$times_file"
  cpu_now=$(tail -1 "$times_file" |
    awk '{ t = 0; for (i = 1; i <= 2; i++) { split($i, p, "m"); t += p[1] * 60 + p[2] } printf "%d", t }')
}
phase() {
  local name=$1 start=$SECONDS cpu_start
  shift
  cpu
  cpu_start=$cpu_now
  "$@"
  cpu
  phases+=("$(printf '%-10s %5d s   cpu %5d s' "$name" $((SECONDS - start)) $((cpu_now - cpu_start)))")
}
report() {
  cpu
  echo "test.sh: time per phase (wall, and processor time used)"
  for p in "${phases[@]}"; do echo "  $p"; done
  echo "  total      $(printf '%5d' "$SECONDS") s   cpu $(printf '%5d' "$cpu_now") s"
  rm -f "$times_file"
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
# Most tests wait on simulated devices far more than they compute: four at
# a time keep two cores busy.
phase tests ctest --preset "$preset" -j4
