#!/usr/bin/env bash
# The test command: installs what is missing, builds, runs every test.
#   scripts/test.sh [PRESET]      PRESET: default (the normal build) or asan
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
scripts/setup.sh
scripts/build.sh "$preset"
# The Debian packages, checked with lintian; a LAN test installs them.
scripts/package.sh
# A short run of every fuzz target; scripts/fuzz.sh runs them longer.
scripts/fuzz.sh --seconds 10
ctest --preset "$preset" -j2
