#!/usr/bin/env bash
# Builds every libFuzzer target (AddressSanitizer and UndefinedBehavior-
# Sanitizer on) and runs each for a while, as many at once as there are
# processors.
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
fuzz() {
  local target=$1 name corpus runs
  local seeds=()
  name=$(basename "$target")
  corpus="build/fuzz/corpus/$name"
  mkdir -p "$corpus"
  [ -d "tests/fuzz/seeds/$name" ] && seeds=("tests/fuzz/seeds/$name")
  # An input that takes a target more than a few seconds is a finding:
  # the page rules must take linear time, whatever the page.
  if ! "$target" "${limit[@]}" -timeout=2 -artifact_prefix="build/fuzz/$name-" "$corpus" \
      "${seeds[@]}" > "build/fuzz/$name.log" 2>&1; then
    echo "fuzz: $name: a finding (build/fuzz/$name.log):"
    tail -40 "build/fuzz/$name.log"
    return 1
  fi
  runs=$(grep -oE '^#[0-9]+' "build/fuzz/$name.log" | tail -1 | tr -d '#')
  echo "fuzz: $name: ${runs:-0} runs, no finding (goal: 1000000 runs)"
}

# As many targets at once as there are processors: each uses one.
status=0
running=0
for target in build/fuzz/tests/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  if [ "$running" -ge "$(nproc)" ]; then
    wait -n || status=1
    running=$((running - 1))
  fi
  fuzz "$target" &
  running=$((running + 1))
done
while [ "$running" -gt 0 ]; do
  wait -n || status=1
  running=$((running - 1))
done
exit $status
