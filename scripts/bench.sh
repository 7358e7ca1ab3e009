#!/usr/bin/env bash
# Benchmarks, inside a private test LAN: the firmware upload of a 64 MiB
# image with UploadClient against curl's multipart POST.
#   scripts/bench.sh [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/setup.sh
scripts/build.sh default
bin="$root/build/default"

work=$(mktemp -d /tmp/brevane-bench.XXXXXX)
state="$work/lan.env"
sim_pid=""
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null || true
  "$root/scripts/testlan" down --state "$state" || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

scripts/testlan up --state "$state" --devices 1 >/dev/null
ip=$(grep '^BREVANE_LAN_DEV1_IP=' "$state" | cut -d= -f2)
(exec scripts/testlan exec --state "$state" d1 -- "$bin/sim/brevane-devsim" \
   --control "$work/d1.control" --firmware-limit 200000000) &
sim_pid=$!
head -c $((64 << 20)) /dev/urandom > "$work/image.bin"
sleep 0.5
scripts/testlan exec --state "$state" ws -- "$bin/bench/upload_bench" \
  "http://$ip/man.cgi" "$work/image.bin" "${1:-3}"
