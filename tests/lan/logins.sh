#!/usr/bin/env bash
# Runs drive tests in desktop sessions of one user, one login after another
# (a filter of lan_tests each), in a home folder of this run's own that goes
# afterwards: what one login keeps reaches the next login of the same run,
# and nothing reaches another run or another test.
#   logins.sh LAN_TESTS FILTER [FILTER]...    (in the test LAN's workstation)
set -euo pipefail
session="$(cd "$(dirname "$0")/../.." && pwd)/scripts/desktop-session"
tests=$1
shift
home=$(mktemp -d /tmp/brevane-home.XXXXXX)
tidy() {
  # Each session lets go of its FUSE folder as it ends; should one still be
  # mounted, it goes first, and rm never crosses into another file system.
  umount -l "$home.run/gvfs" 2>/dev/null || true
  rm -rf --one-file-system "$home" "$home.run"
}
trap tidy EXIT
for filter in "$@"; do
  "$session" --home "$home" -- "$tests" --gtest_filter="$filter"
done
