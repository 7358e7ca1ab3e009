#!/usr/bin/env bash
# Benchmarks. The translation of every start-up text with a 60 KB language
# file; the status-page rules on their worst pages; then, inside a private
# test LAN, firmware uploads of a 64 MiB and a 512 MiB image by Brevane's
# UploadClient, by curl's multipart POST of the same form and by a plain
# sendfile() loop, to a receiver that discards and to the simulated device,
# each checked to have arrived whole; Brevane's peak memory for images up to
# 2 GiB; and how the windows fare while the program waits on a healthy,
# slow, silent and trickling device; and the main window's first paint
# against a bare Qt window's, on a virtual screen.
#   scripts/bench.sh [ROUNDS]       ROUNDS: rounds per image (default 15)
# An existing build is used as it is; without one the project is set up and
# built first.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bin="$root/build/default"
if [ ! -x "$bin/bench/upload_bench" ] || [ ! -x "$bin/bench/translate_bench" ] ||
   [ ! -x "$bin/bench/page_rules_bench" ] ||
   [ ! -x "$bin/bench/wait_bench" ] || [ ! -x "$bin/bench/startup_bench" ] ||
   [ ! -x "$bin/sim/brevane-devsim" ]; then
  scripts/setup.sh
  scripts/build.sh default
fi

work=$(mktemp -d /tmp/brevane-bench.XXXXXX)
state="$work/lan.env"
sim_pid=""
sim2_pid=""
receiver_pid=""
xvfb_pid=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null || true
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null || true
  [ -n "$receiver_pid" ] && kill "$receiver_pid" 2>/dev/null && wait "$receiver_pid" 2>/dev/null || true
  [ -n "$sim2_pid" ] && kill "$sim2_pid" 2>/dev/null && wait "$sim2_pid" 2>/dev/null || true
  "$root/scripts/testlan" down --state "$state" || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

# The texts the windows translate when they are created, taken from the code.
grep -ohE '(Tr|Translate)\("[^"]+"\)' src/mainwindow/*.cpp src/console/*.cpp src/drives/*.cpp |
  sed -E 's/^(Tr|Translate)\("(.*)"\)$/\2/' | sort -u > "$work/keys.txt"
"$bin/bench/translate_bench" "$work/keys.txt"
# The status-page rules on the worst page for each.
"$bin/bench/page_rules_bench" || true

scripts/testlan up --state "$state" --devices 3 >/dev/null
ip=$(grep '^BREVANE_LAN_DEV1_IP=' "$state" | cut -d= -f2)
ip3=$(grep '^BREVANE_LAN_DEV3_IP=' "$state" | cut -d= -f2)
(exec scripts/testlan exec --state "$state" d1 -- "$bin/sim/brevane-devsim" \
   --control "$work/d1.control" --firmware-limit 3000000000) &
sim_pid=$!
# The receiver that reads and discards: the ceiling of what can be sent.
(exec scripts/testlan exec --state "$state" d3 -- "$bin/bench/upload_bench" \
   --receive 8080 "$work/received.log") &
receiver_pid=$!
head -c $((64 << 20)) /dev/urandom > "$work/image-64.bin"
head -c $((512 << 20)) /dev/urandom > "$work/image-512.bin"
head -c $((2048 << 20)) /dev/urandom > "$work/image-2048.bin"
for _ in $(seq 50); do [ -S "$work/d1.control" ] && break; sleep 0.1; done
scripts/testlan exec --state "$state" ws -- "$bin/bench/upload_bench" \
  "http://$ip3:8080/man.cgi" "$work/received.log" "http://$ip/man.cgi" "$work/d1.control" \
  "${1:-15}" "$work/image-64.bin" "$work/image-512.bin"
scripts/testlan exec --state "$state" ws -- "$bin/bench/upload_bench" --memory \
  "http://$ip3:8080/man.cgi" "$work/received.log" \
  "$work/image-64.bin" "$work/image-512.bin" "$work/image-2048.bin"
rm -f "$work"/image-*.bin
echo "the simulated device's peak memory after every upload above:" \
  "$(awk '/VmHWM/ {printf "%.1f MiB", $2 / 1024}' "/proc/$sim_pid/status")"

ip2=$(grep '^BREVANE_LAN_DEV2_IP=' "$state" | cut -d= -f2)
(exec scripts/testlan exec --state "$state" d2 -- "$bin/sim/brevane-devsim" \
   --control "$work/d2.control" --password pw --shared-folder PUBLIC) &
sim2_pid=$!
for _ in $(seq 50); do [ -S "$work/d2.control" ] && break; sleep 0.1; done
scripts/testlan exec --state "$state" ws -- "$bin/bench/wait_bench" "$ip2" "$work/d2.control" 2>&1 |
  grep -v 'does not support\|XDG_RUNTIME_DIR'

# The devices have done their part: none answers the program's broadcast
# while it starts, so every start does the same work.
for pid in "$sim_pid" "$sim2_pid" "$receiver_pid"; do
  kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
done
sim_pid="" sim2_pid="" receiver_pid=""

# Start-up: the program (it broadcasts at once, so inside the LAN) and a bare
# Qt window, in turn, on a virtual screen of their own.
display=":$((80 + RANDOM % 9))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
# Each start inside a session bus, as on a desktop: without one, the
# toolkit's accessibility bridge starts a bus of its own when a list view is
# made.
on_screen() {
  (cd "$work" && DISPLAY="$display" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work" \
     "$root/scripts/testlan" exec --state "$state" ws -- dbus-run-session -- "$@")
}
on_screen "$bin/bench/startup_bench" "${1:-15}" "$bin/bench/program_probe" --console \
  2> >(grep -v 'fd limit' >&2)
echo "a window with one line of text instead of the program (what any text costs):"
on_screen "$bin/bench/startup_bench" "${1:-15}" "$bin/bench/startup_bench" --label \
  2> >(grep -v 'fd limit' >&2)
# The same starts counted in instructions, which the rest of the machine does
# not disturb: the main thread's (the one the first paint waits for) and all.
if command -v valgrind >/dev/null; then
  echo "instructions to the first paint, main thread / all threads:"
  for start in "bare Qt|$bin/bench/startup_bench --bare" "one label|$bin/bench/startup_bench --label" \
               "program|$bin/bench/program_probe --console"; do
    rm -f "$work"/callgrind.out*
    # shellcheck disable=SC2086 # the start's words are its arguments
    on_screen valgrind --tool=callgrind --separate-threads=yes \
      --callgrind-out-file="$work/callgrind.out" ${start#*|} >/dev/null 2>&1 || true
    awk -v name="${start%%|*}" '/^summary:/ { n++; if (n == 1) main = $2; all += $2 }
      END { if (n) printf "  %-10s %6.1f M / %6.1f M\n", name, main / 1e6, all / 1e6 }' \
      "$work"/callgrind.out-*
  done
fi
