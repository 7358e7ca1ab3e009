#!/usr/bin/env bash
# The demo: Brevane against three simulated storage devices in a private
# test LAN. Nothing leaves the LAN's namespaces.
#
#   scripts/demo.sh                              open the main window on $DISPLAY
#                                                (or on a virtual screen without one)
#   scripts/demo.sh --screenshot FILE [--after SECONDS]
#                                                run on a virtual screen, save a
#                                                picture after SECONDS (default 5), exit
#   scripts/demo.sh --plain                      the program without --console: "Manage
#                                                Drive" opens the device's pages in a browser
#   scripts/demo.sh --shell                      also a shell inside the demo's desktop
#                                                session, where the connected drives can be
#                                                looked at ("exit" ends the demo)
#
# The program starts in its management configuration (--console): "Manage
# Drive" asks for the device's login and opens the management console.
# With BREVANE_DEMO_RUN set, its words run on the virtual screen instead of
# the program (scripts/screenshots.sh uses it).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

shot=""
shell=""
after=5
options=(--console)
while [ $# -gt 0 ]; do
  case "$1" in
    --screenshot) shot=$(realpath -m "${2:?demo: --screenshot needs a file name}"); shift 2 ;;
    --after) after="${2:?demo: --after needs a number of seconds}"; shift 2 ;;
    --plain) options=(); shift ;;
    --shell) shell=1; shift ;;
    *) sed -n '2,21p' "$0" >&2; exit 2 ;;
  esac
done
run=("$root/build/default/src/app/brevane" "${options[@]}")
if [ -n "${BREVANE_DEMO_RUN:-}" ]; then
  read -r -a run <<<"$BREVANE_DEMO_RUN"
fi

scripts/setup.sh
scripts/build.sh default
bin="$root/build/default"

work=$(mktemp -d /tmp/brevane-demo.XXXXXX)
state="$work/lan.env"
# What the background programs (the devices, D-Bus, GVfs, the screen and
# Brevane itself) say goes to a log, not to this terminal.
log="$root/build/demo.log"
: >"$log"
echo "demo: messages of the programs in the background go to $log"
pids=()
cleanup() {
  # Last started, first stopped: the program with its desktop session (its
  # own process group, so nothing of it outlives the screen), then the
  # screen, then the devices.
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill -TERM -- "-${pids[i]}" 2>/dev/null || kill "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 -- "-${pids[i]}" 2>/dev/null || break; sleep 0.1; done
  done
  "$root/scripts/testlan" down --state "$state" || true
  # A session cut short leaves its GVfs folder mounted.
  umount -l "$work/home.run/gvfs" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

scripts/testlan up --state "$state" --devices 3 >>"$log"
lan() { exec "$root/scripts/testlan" exec --state "$state" "$@"; }
dev() {  # dev K ARGS...: start simulated device K, its folders shared over SMB
  local k=$1; shift
  # Something to find in each device's PUBLIC folder once it is connected.
  mkdir -p "$work/smb-d$k/shares/PUBLIC"
  echo "A file on simulated device $k." >"$work/smb-d$k/shares/PUBLIC/welcome.txt"
  (lan "d$k" -- "$bin/sim/brevane-devsim" --control "$work/d$k.control" \
     --smb "$work/smb-d$k" "$@") >>"$log" 2>&1 &
  pids+=($!)
}
# Log in as "admin": NAS-LIVINGROOM and MEDIA have no password yet,
# BACKUP-01's is "admin". BACKUP-01's folder "projects" asks for "secret".
dev 1 --name NAS-LIVINGROOM --group HOME --firmware 2.1.07 \
  --shared-folder PUBLIC --shared-folder "照片" --folder backup \
  --account alice:secret --account bob:b0bpass --account carol:c4rol
dev 2 --name BACKUP-01 --group OFFICE --firmware 2.0.11 --password admin \
  --shared-folder PUBLIC --protected-folder projects:secret --folder archive
dev 3 --name MEDIA --group HOME --firmware 1.9.3 \
  --shared-folder PUBLIC --shared-folder movies --folder music

# The program runs in its own folder, with the English language file.
mkdir -p "$work/run"
cp "$root/lang/en/language" "$work/run/language"
export XDG_RUNTIME_DIR="$work/xdg"; mkdir -m 700 -p "$XDG_RUNTIME_DIR"
# What runs in the demo (the screenshot tour) may reach the devices' control sockets.
export BREVANE_DEMO_WORK="$work"

if [ -n "$shot" ] || [ -n "${BREVANE_DEMO_RUN:-}" ] || [ -z "${DISPLAY:-}" ]; then
  # A virtual screen with a window manager, so the window looks as on a desktop.
  display=":$((90 + RANDOM % 9))"
  Xvfb "$display" -screen 0 "${BREVANE_DEMO_SCREEN:-760x520}x24" -nolisten tcp >>"$log" 2>&1 &
  pids+=($!)
  export DISPLAY="$display"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
  openbox >>"$log" 2>&1 &
  pids+=($!)
fi

# A desktop session of its own (D-Bus, GVfs, keyring) lets "Connect" mount
# shares; they appear under $work/home/Network Drives.
if [ -n "$shell" ]; then
  # The drives are mounted inside the session only: its shell can open them.
  # Only the shell has the terminal (descriptors 3 and 4); leaving it ends
  # the program while the session is still there, then the session.
  echo "demo: Brevane runs on $DISPLAY; this shell is inside its desktop session."
  echo "demo: connected drives: ls ~/'Network Drives'/Z/   ('exit' ends the demo)"
  (cd "$work/run" && lan ws -- "$root/scripts/desktop-session" --home "$work/home" -- \
     bash -c '"$@" >>"$0" 2>&1 3>&- 4>&- & app=$!
              cd "$HOME" && bash -i >&4 2>&3 3>&- 4>&-
              kill $app 2>/dev/null; wait $app 2>/dev/null; true' "$log" "${run[@]}") \
    3>&2 4>&1 >>"$log" 2>&1
  exit 0
fi
(cd "$work/run" && exec setsid "$root/scripts/testlan" exec --state "$state" ws -- \
   "$root/scripts/desktop-session" --home "$work/home" -- "${run[@]}") >>"$log" 2>&1 &
app=$!
pids+=($app)

if [ -n "${BREVANE_DEMO_RUN:-}" ]; then
  wait "$app"
elif [ -n "$shot" ]; then
  sleep "$after"
  import -display "$DISPLAY" -window root "$shot"
  echo "demo: screenshot saved to $shot"
else
  echo "demo: Brevane runs on $DISPLAY; close its window to end the demo"
  echo "demo: connected drives are mounted inside the demo's own session;"
  echo "demo: run 'scripts/demo.sh --shell' for a shell there to look at them"
  wait "$app" || true
fi
