#!/usr/bin/env bash
# Installs the built packages with dpkg into a scratch root of their own (its
# own dpkg database; the machine's packages are never touched), runs the
# installed programs and checks every file is where the desktop looks for it.
#   install_test.sh DEB_DIR
set -euo pipefail
debs=("$1"/brevane_*.deb "$1"/brevane-devsim_*.deb "$1"/brevane-exporter_*.deb)
for deb in "${debs[@]}"; do
  [ -f "$deb" ] || { echo "install_test: no package $deb; run scripts/package.sh" >&2; exit 1; }
done
root=$(mktemp -d /tmp/brevane-root.XXXXXX)
wine_run="$(dirname "$0")/../../scripts/wine-run"
# (The LAN's teardown ends the Wine server of the zip's programs.)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
# The libraries the packages depend on are the machine's: only the
# dependency check is left out, never the installation itself.
dpkg --root="$root" --force-depends --force-not-root -i "${debs[@]}" >"$root/dpkg.log" 2>&1 ||
  { cat "$root/dpkg.log" >&2; exit 1; }

fail() { echo "install_test: $*" >&2; exit 1; }
# Whether a command's whole output holds a text. (Not "| grep -q": grep
# stops at the first match, and a longer output then ends in SIGPIPE, which
# pipefail takes for the command's failure.)
says() {
  local text=$1
  shift
  grep -qF -- "$text" <<<"$("$@" 2>&1)"
}
[ "$(dpkg --root="$root" -l brevane brevane-devsim | grep -c '^ii')" = 2 ] ||
  fail "dpkg does not list both packages as installed"
[ "$("$root/usr/bin/brevane" --version)" = "brevane 1.18" ] || fail "brevane --version"
says --console "$root/usr/bin/brevane" --help || fail "brevane --help"
"$root/usr/bin/brevane-scan" --help >/dev/null || fail "brevane-scan --help"
[ "$("$root/usr/bin/brevane-scan" --version)" = "brevane-scan 1.18" ] || fail "brevane-scan --version"
[ "$("$root/usr/bin/brevane-ctl" --version)" = "brevane-ctl 1.18" ] || fail "brevane-ctl --version"
says --password-file "$root/usr/bin/brevane-ctl" --help || fail "brevane-ctl --help"
says --control "$root/usr/bin/brevane-devsim" --help || fail "brevane-devsim --help"

# The drives module the program loads on first use, where the program looks
# for it (beside its own folder), with every function it takes from the
# program exported by the program.
module="$root/usr/bin/../lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/brevane/brevane-gio-drives.so"
[ -s "$module" ] || fail "missing the drives module"
exported=$(nm -D --defined-only "$root/usr/bin/brevane" | awk '{print $3}')
for symbol in $(nm -D --undefined-only "$module" | awk '{print $2}' | grep '^_ZN3net'); do
  grep -qxF "$symbol" <<<"$exported" || fail "brevane does not export $symbol to its drives module"
done

id=org.brevane.Brevane
for file in \
    usr/share/applications/$id.desktop \
    usr/share/metainfo/$id.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/$id.svg \
    usr/share/icons/hicolor/48x48/apps/$id.png \
    usr/share/icons/hicolor/256x256/apps/$id.png \
    usr/share/brevane/lang/en/language \
    usr/share/brevane/lang/zh-TW/language \
    usr/share/man/man1/brevane.1.gz \
    usr/share/man/man1/brevane-scan.1.gz \
    usr/share/man/man1/brevane-ctl.1.gz \
    usr/share/bash-completion/completions/brevane-ctl \
    usr/share/man/man1/brevane-devsim.1.gz \
    usr/share/doc/brevane/copyright \
    usr/share/doc/brevane-devsim/copyright; do
  [ -s "$root/$file" ] || fail "missing /$file"
done
desktop-file-validate "$root/usr/share/applications/$id.desktop"
grep -q '^Exec=brevane --console$' "$root/usr/share/applications/$id.desktop" ||
  fail "no console action in the menu entry"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" >/dev/null
says '.TH BREVANE 1' zcat "$root/usr/share/man/man1/brevane.1.gz" || fail "man page"
# The simulator is in its own package, not in the program's.
says brevane-devsim dpkg --root="$root" -L brevane && fail "brevane ships the simulator"
grep -qx /usr/bin/brevane-devsim <<<"$(dpkg --root="$root" -L brevane-devsim)" ||
  fail "brevane-devsim lacks its program"
# The exporter: its program, its unit (installed, not enabled: nothing
# links it into a target), its example configuration and alert rules.
[ "$("$root/usr/bin/brevane-exporter" --version)" = "brevane-exporter 1.18" ] ||
  fail "brevane-exporter --version"
for file in \
    lib/systemd/system/brevane-exporter.service \
    usr/share/doc/brevane-exporter/examples/exporter.yml \
    usr/share/doc/brevane-exporter/examples/brevane.rules.yml \
    usr/share/doc/brevane-exporter/prometheus.md \
    usr/share/man/man1/brevane-exporter.1.gz; do
  [ -s "$root/$file" ] || fail "missing /$file"
done
[ -z "$(find "$root/etc" -name 'brevane-exporter*' 2>/dev/null)" ] || fail "the exporter's unit is enabled"
promtool check rules "$root/usr/share/doc/brevane-exporter/examples/brevane.rules.yml" >/dev/null ||
  fail "the shipped alert rules"
# The Ansible collection, where Debian's Ansible finds collections.
collections="$root/usr/share/ansible/collections"
[ -s "$collections/ansible_collections/brevane/nas/MANIFEST.json" ] || fail "missing the collection"
says new_password env ANSIBLE_COLLECTIONS_PATH="$collections" ANSIBLE_HOME="$root/.ansible" \
  ansible-doc brevane.nas.setup || fail "ansible-doc brevane.nas.setup"
echo "install_test: the three packages install and their files are in place"

# The Windows zip: exactly its files, the programs standing alone (no DLL
# but Windows' own) and answering under Wine, with their language files
# found beside them in a folder whose name is not ASCII, as a user named
# José unpacks it into C:\Users\José.
zips=("$1"/brevane-windows-*.zip)
[ -f "${zips[0]}" ] || fail "no Windows zip; run scripts/package.sh after the windows build"
name=$(basename "${zips[0]}" .zip)
listed=$(python3 -c 'import sys, zipfile; print("\n".join(sorted(zipfile.ZipFile(sys.argv[1]).namelist())))' "${zips[0]}")
expected=$(printf '%s\n' "$name/README.txt" "$name/brevane.exe" "$name/brevane.txt" \
  "$name/brevane-ctl.exe" "$name/brevane-ctl.txt" "$name/brevane-scan.exe" \
  "$name/brevane-scan.txt" "$name/lang/en/language" "$name/lang/zh-TW/language" | sort)
[ "$listed" = "$expected" ] || fail "the zip holds $listed"
home="$root/José"
mkdir -p "$home"
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "${zips[0]}" "$home"
"$wine_run" "$root/wine" --start
# Windows' own libraries only: the system's, its graphics (Direct3D,
# DirectWrite) and its API sets.
own='kernel32|msvcrt|ws2_32|iphlpapi|mpr|shell32|user32|advapi32|gdi32|comdlg32|ole32|oleaut32|'
own+='imm32|winmm|version|uxtheme|dwmapi|dwrite|d3d9|d3d11|dxgi|shcore|shlwapi|userenv|netapi32|'
own+='wtsapi32|authz|api-ms-win-[a-z0-9-]+'
for program in brevane brevane-scan brevane-ctl; do
  dlls=$(x86_64-w64-mingw32-objdump -p "$home/$name/$program.exe" | awk '/DLL Name/ {print tolower($3)}' |
    grep -vxE "($own)\.dll" || true)
  [ -z "$dlls" ] || fail "$program.exe needs $dlls"
  run="$wine_run $root/wine $home/$name/$program.exe"
  [ "$($run --version | tr -d '\r')" = "$program 1.18" ] || fail "$program.exe --version"
done
says --console "$wine_run" "$root/wine" "$home/$name/brevane.exe" --help ||
  fail "brevane.exe --help"
grep -q $'\r$' "$home/$name/README.txt" || fail "README.txt without Windows line ends"
# Its messages come from the language files beside it (a refusal before
# anything is sent, in Traditional Chinese).
said=$(grep -a '^First character cannot be a number' "$home/$name/lang/zh-TW/language" | cut -d= -f2- | tr -d '\r')
# (Wine takes Windows' display language from LC_ALL; LANGUAGE, which the
# Linux programs would follow, says English.)
says "$said" env LANGUAGE=en LC_ALL=zh_TW.UTF-8 "$wine_run" "$root/wine" "$home/$name/brevane-ctl.exe" \
  10.77.0.99 name 1x y ||
  fail "brevane-ctl.exe does not speak from its language files"
# Without its language files beside it, a Windows program shows the texts
# as they are written in its code: it knows no other place to look (none
# in the sources it was built from).
mkdir -p "$root/alone"
cp "$home/$name/brevane-ctl.exe" "$root/alone/"
says 'First character cannot be a number (0~9)' env LC_ALL=zh_TW.UTF-8 "$wine_run" "$root/wine" \
  "$root/alone/brevane-ctl.exe" 10.77.0.99 name 1x y ||
  fail "brevane-ctl.exe without lang\\ found language files elsewhere"
echo "install_test: the Windows zip holds its files, and its programs run under Wine"
