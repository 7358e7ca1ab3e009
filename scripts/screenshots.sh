#!/usr/bin/env bash
# Takes the documentation's pictures of the console against the demo
# devices, on a virtual screen inside the demo's test LAN, into docs/.
#   scripts/screenshots.sh [NAME...]     NAME: status ipconfig maintenance fileserver ftp
#                                        ftp-account disk wait drive scale2
#                                        (default: all)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
tour="$root/build/default/tests/tour/brevane-tour"

shoot() {  # shoot FILE TOUR-ARGS...
  local file=$1
  shift
  BREVANE_DEMO_SCREEN=${screen:-1024x740} BREVANE_DEMO_RUN="$tour $* --out $root/docs/$file" scripts/demo.sh
}

names=("$@")
[ ${#names[@]} -gt 0 ] || names=(status ipconfig maintenance fileserver ftp ftp-account disk wait drive scale2)
for name in "${names[@]}"; do
  case "$name" in
    status) shoot console-status.png --device NAS-LIVINGROOM --page 0 ;;
    ipconfig) shoot console-ipconfig.png --device NAS-LIVINGROOM --page 1 ;;
    maintenance) shoot console-maintenance.png --device MEDIA --page 2 --action reboot ;;
    fileserver) shoot console-fileserver.png --device NAS-LIVINGROOM --page 3 --action create-folder ;;
    ftp) shoot console-ftp.png --device NAS-LIVINGROOM --page 4 ;;
    ftp-account) shoot console-ftp-account.png --device NAS-LIVINGROOM --page 4 --action modify-account ;;
    disk) shoot console-disk.png --device BACKUP-01 --password admin --page 6 --action scan ;;
    wait) shoot console-wait.png --device NAS-LIVINGROOM --page 0 --action wait ;;
    drive) screen=640x420 shoot drive-dialog.png --device BACKUP-01 --password admin --action drive ;;
    scale2)  # a high-density screen: everything twice as large
      QT_SCALE_FACTOR=2 screen=2048x1480 shoot console-status-scale2.png --device NAS-LIVINGROOM --page 0 ;;
    *) echo "screenshots: unknown picture $name" >&2; exit 2 ;;
  esac
done
