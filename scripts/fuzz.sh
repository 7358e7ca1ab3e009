#!/usr/bin/env bash
# Builds every libFuzzer target and runs each for a while.
#   scripts/fuzz.sh [--seconds N]     (default 60 per target)
# Corpora grow in build/fuzz/corpus/<target>, seeded from tests/fuzz/seeds.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=60
[ "${1:-}" = "--seconds" ] && seconds="$2"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
for target in build/fuzz/tests/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="build/fuzz/corpus/$name"
  mkdir -p "$corpus"
  seeds=()
  [ -d "tests/fuzz/seeds/$name" ] && seeds=("tests/fuzz/seeds/$name")
  echo "fuzz: $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -artifact_prefix="build/fuzz/$name-" "$corpus" "${seeds[@]}" \
    > "build/fuzz/$name.log" 2>&1 || { tail -40 "build/fuzz/$name.log"; exit 1; }
  grep -E '^#[0-9]+.*DONE' "build/fuzz/$name.log" | tail -1 || true
done
