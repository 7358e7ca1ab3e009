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

# Most tests wait on simulated devices far more than they compute. While
# they wait, the work that only computes goes on beside them at the
# lowest priority, taking the processors they leave: the Windows build
# beside the Linux tests, the fuzz runs beside the Windows programs' tests.
# background NAME COMMAND...: started in a session of its own (so that a
# run that fails ends all of it), its output in build/NAME.log.
declare -A background_pids=()
background() {
  local name=$1
  shift
  mkdir -p build
  setsid nice -n 19 "$@" >"build/$name.log" 2>&1 &
  background_pids[$name]=$!
}
# finished NAME: waits for it; its output, if it failed, or if it asks to
# be shown (the fuzz runs' figures).
finished() {
  local name=$1 status=0
  wait "${background_pids[$name]}" || status=$?
  unset "background_pids[$name]"
  if [ "$status" -ne 0 ]; then
    tail -60 "build/$name.log"
    echo "test.sh: $name failed (build/$name.log)" >&2
    return "$status"
  fi
  [ "${2:-}" = --show ] && grep -E '^fuzz: ' "build/$name.log" || true
}
end_background() {
  local pid
  for pid in "${background_pids[@]}"; do kill -- "-$pid" 2>/dev/null || true; done
}
trap 'end_background; report' EXIT

# The programs for Windows; the LAN tests run them under Wine.
background windows scripts/build.sh windows
# The Windows programs' tests, and the packages' (which hold the Windows
# programs too), come once those are built. Four tests at a time keep two
# cores busy.
later='^lan\.wine\.|^lan\.main\.PackageInstall$'
phase tests ctest --preset "$preset" -j4 -E "$later"
phase windows finished windows
# The Debian packages, made from the build just tested and checked with
# lintian, and the Windows zip and installer.
phase package scripts/package.sh --from "$preset"
# A short run of every fuzz target; scripts/fuzz.sh runs them longer.
background fuzz scripts/fuzz.sh --seconds 10
phase wine ctest --preset "$preset" -j4 -R "$later"
phase fuzz finished fuzz --show
