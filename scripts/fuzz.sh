#!/usr/bin/env bash
# Builds every libFuzzer target (AddressSanitizer and UndefinedBehavior-
# Sanitizer on) and runs each for a while.
#   scripts/fuzz.sh [--seconds N]     N seconds per target (default 60)
#   scripts/fuzz.sh --runs N          N runs per target (the goal: 1000000)
# Corpora grow in build/fuzz/corpus/<target>, seeded from tests/fuzz/seeds.
set -euo pipefail
cd "$(dirname "$0")/.."
limit=(-max_total_time=60)
case "${1:-}" in
  --seconds) limit=(-max_total_time="$2") ;;
  --runs) limit=(-runs="$2") ;;
esac

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
for target in build/fuzz/tests/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="build/fuzz/corpus/$name"
  mkdir -p "$corpus"
  seeds=()
  [ -d "tests/fuzz/seeds/$name" ] && seeds=("tests/fuzz/seeds/$name")
  # An input that takes a target more than a few seconds is a finding:
  # the page rules must take linear time, whatever the page.
  "$target" "${limit[@]}" -timeout=2 -artifact_prefix="build/fuzz/$name-" "$corpus" "${seeds[@]}" \
    > "build/fuzz/$name.log" 2>&1 || { tail -40 "build/fuzz/$name.log"; exit 1; }
  runs=$(grep -oE '^#[0-9]+' "build/fuzz/$name.log" | tail -1 | tr -d '#')
  echo "fuzz: $name: ${runs:-0} runs, no finding (goal: 1000000 runs)"

done
