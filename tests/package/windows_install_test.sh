#!/usr/bin/env bash
# The Windows installer under Wine, as a user and an administrator would
# use it, each in a fresh Wine prefix: installed without questions
# (msiexec /i ... /qn) for the current user (the default) and for every
# user (ALLUSERS=1); its files, Start-menu entries and registry values in
# place; the installed program's --version; then uninstalled with the
# command of its own Start-menu entry, after which nothing of it is left:
# not a file or a folder, not a registry value, not the product.
# Like every Windows program of the project, only inside a test LAN.
#   windows_install_test.sh PACKAGE_DIR
set -euo pipefail
msis=("$1"/brevane-windows-*.msi)
fail() { echo "windows_install_test: $*" >&2; exit 1; }
[ -f "${msis[0]}" ] || fail "no Windows installer; run scripts/package.sh after the windows build"
msi=$(realpath "${msis[0]}")
version=$(basename "$msi" .msi)
version=${version#brevane-windows-}
wine_run="$(realpath "$(dirname "$0")/../../scripts/wine-run")"
product=$(msiinfo export "$msi" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductCode" {print $2}')
[ -n "$product" ] || fail "the installer names no product code"
[ "$(msiinfo export "$msi" Property | tr -d '\r' | awk -F'\t' '$1 == "Manufacturer" {print $2}')" = Brevane ] ||
  fail "the installer's publisher is not Brevane"

scratch=$(mktemp -d /tmp/brevane-msi.XXXXXX)
trap 'rm -rf "$scratch"' EXIT

# Everything in a prefix but what Windows itself writes in passing: its
# temporary files, the installer's cache (checked on its own below) and
# the device setup Wine finishes after its start.
files_of() {
  (cd "$1/drive_c" && find . -path ./windows/temp -prune -o -path ./windows/Installer -prune -o \
    -path ./windows/inf -prune -o -path './users/*/AppData/Local/Temp' -prune -o -print | sort)
}
# Whether a registry key or value is there.
has_key() {  # has_key PREFIX KEY [VALUE]
  local prefix=$1 key=$2
  if [ $# -gt 2 ]; then
    "$wine_run" "$prefix" reg query "$key" /v "$3" >/dev/null 2>&1
  else
    "$wine_run" "$prefix" reg query "$key" >/dev/null 2>&1
  fi
}
# Whether a shortcut starts `target` with `arguments` (both are kept in
# UTF-16 in the .lnk file).
starts() {  # starts LNK TARGET ARGUMENTS
  python3 - "$@" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
for text in sys.argv[2:]:
    if text and text.encode("utf-16-le") not in data and text.encode("latin-1") not in data:
        sys.exit(1)
PY
}

try() {  # try SCOPE MSIEXEC-PROPERTY...
  local scope=$1
  shift
  local prefix="$scratch/$scope"
  "$wine_run" "$prefix" --start
  local before
  before=$(files_of "$prefix")
  "$wine_run" "$prefix" msiexec /i "Z:${msi//\//\\}" /qn "$@" ||
    fail "$scope: msiexec /i failed"

  # (Wine knows no MSIINSTALLPERUSER: it installs the default package as an
  # administrator's, with its registry value under HKLM; and it puts the
  # Start-menu entries in the user's own menu for either kind.)
  local dir="$prefix/drive_c/Program Files/Brevane" keys
  local menu=("$prefix"/drive_c/users/*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/Brevane)
  if [ "$scope" = machine ]; then
    keys=('HKLM\Software\Brevane\Brevane')
    [ -d "$menu" ] ||
      menu="$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Brevane"
  else
    keys=('HKCU\Software\Brevane\Brevane' 'HKLM\Software\Brevane\Brevane')
  fi
  local f
  for f in brevane.exe brevane-scan.exe brevane-ctl.exe README.txt brevane.txt brevane-scan.txt \
      brevane-ctl.txt lang/en/language lang/zh-TW/language; do
    [ -s "$dir/$f" ] || fail "$scope: $f is not installed"
  done
  starts "$menu/Brevane.lnk" 'brevane.exe' || fail "$scope: no Start-menu entry for Brevane"
  starts "$menu/Brevane Console.lnk" 'brevane.exe' '--console' ||
    fail "$scope: no Start-menu entry for the console"
  starts "$menu/Uninstall Brevane.lnk" 'msiexec.exe' "/x $product" ||
    fail "$scope: no Start-menu entry that uninstalls"
  local key found=""
  for key in "${keys[@]}"; do has_key "$prefix" "$key" StartMenu && found=$key; done
  [ -n "$found" ] || fail "$scope: no ${keys[*]}"
  local uninstall="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product"
  [ "$("$wine_run" "$prefix" reg query "$uninstall" /v Publisher 2>/dev/null | tr -d '\r' |
        awk '$1 == "Publisher" {print $3}')" = Brevane ] ||
    fail "$scope: Windows lists no Brevane among its programs"
  "$wine_run" "$prefix" reg query "$uninstall" /v DisplayVersion 2>/dev/null | grep -qF "$version" ||
    fail "$scope: Windows lists the program without its version $version"

  [ "$("$wine_run" "$prefix" "$dir/brevane.exe" --version | tr -d '\r')" = "brevane $version" ] ||
    fail "$scope: the installed brevane.exe --version"

  # The Start-menu entry's own command.
  "$wine_run" "$prefix" msiexec /x "$product" /qn || fail "$scope: msiexec /x failed"
  local after
  after=$(files_of "$prefix")
  [ "$before" = "$after" ] ||
    fail "$scope: uninstalling left $(diff <(echo "$before") <(echo "$after") | grep '^[<>]')"
  [ ! -e "$prefix/drive_c/windows/Installer/$product" ] ||
    fail "$scope: the installer's copy of the icon is left"
  has_key "$prefix" 'HKCU\Software\Brevane' && fail "$scope: HKCU\\Software\\Brevane is left"
  has_key "$prefix" 'HKLM\Software\Brevane' && fail "$scope: HKLM\\Software\\Brevane is left"
  has_key "$prefix" "$uninstall" && fail "$scope: Windows still lists Brevane among its programs"
  echo "windows_install_test: installed for the $scope, ran, uninstalled, nothing left"
}

try user
try machine ALLUSERS=1
