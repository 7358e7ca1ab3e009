#!/usr/bin/env bash
# Makes the Debian packages brevane and brevane-devsim into build/package/
# from the default build (scripts/build.sh builds it as Debian builds
# packages), and checks them: desktop-file-validate, appstreamcli validate
# and lintian (no errors allowed; with -I, no tag left that a Debian
# maintainer would fix).
#   scripts/package.sh              builds the default build first
#   scripts/package.sh --from PRESET   packs that build as it stands (the
#                                   test command packs the build it tests)
set -euo pipefail
cd "$(dirname "$0")/.."
preset=default
if [ "${1:-}" = --from ]; then
  preset=$2
else
  scripts/setup.sh
  scripts/build.sh default
fi
# A build with the sanitizers is no package: the test command then packs
# the default build.
if [ "$preset" != default ]; then scripts/build.sh default; fi
out=build/package
mkdir -p "$out"
rm -f "$out"/*.deb
cpack --config build/default/CPackConfig.cmake -B "$PWD/$out" -G DEB >/dev/null
rm -rf "$out/_CPack_Packages"

# The Windows programs, when the windows preset has built them, as a zip
# and as an installer (MSI) made from the same folder: the three programs,
# the language files, the manual pages as text and a README, with
# Windows' line ends.
if [ -x build/windows/src/app/brevane.exe ]; then
  version=$(sed -n 's/^project(Brevane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
  name=brevane-windows-$version
  stage=$(mktemp -d)
  mkdir -p "$stage/$name"
  for program in app/brevane scan/brevane-scan ctl/brevane-ctl; do
    x86_64-w64-mingw32-strip -o "$stage/$name/${program#*/}.exe" "build/windows/src/$program.exe"
    groff -man -Tascii -P-cbou "man/${program#*/}.1" | sed 's/$/\r/' \
      >"$stage/$name/${program#*/}.txt"
  done
  for file in lang/*/language; do
    mkdir -p "$stage/$name/$(dirname "$file")"
    cp "$file" "$stage/$name/$file"
  done
  sed 's/$/\r/' packaging/windows/README.txt >"$stage/$name/README.txt"
  rm -f "$out"/brevane-windows-*.zip "$out"/brevane-windows-*.msi
  python3 - "$stage" "$name" "$PWD/$out/$name.zip" <<'PY'
import os, sys, zipfile
stage, name, target = sys.argv[1:]
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as z:
    for folder, _, files in sorted(os.walk(os.path.join(stage, name))):
        for f in sorted(files):
            path = os.path.join(folder, f)
            z.write(path, os.path.relpath(path, stage))
PY
  echo "package: $out/$name.zip"
  # The installer's entries show the program's icon; the zip needs no copy
  # of it (the program carries it).
  cp build/windows/src/app/brevane.ico "$stage/$name/brevane.ico"
  # (wixl takes the files' paths relative to where it runs.)
  (cd "$stage/$name" && wixl -a x64 -D Version="$version" -D Stage=. -o "$OLDPWD/$out/$name.msi" \
    "$OLDPWD/packaging/windows/brevane.wxs")
  # wixl writes HKMU (the installing user's key, or the machine's) as a
  # root Windows Installer does not know; HKMU is -1.
  msibuild "$out/$name.msi" -q "UPDATE Registry SET Root = -1 WHERE Root = 4"
  echo "package: $out/$name.msi"
  rm -rf "$stage"
fi

desktop-file-validate data/org.brevane.Brevane.desktop
appstreamcli validate --no-net --explain data/org.brevane.Brevane.metainfo.xml >/dev/null
status=0
for deb in "$out"/*.deb; do
  echo "package: $deb"
  # Errors fail the build; warnings are printed for the reader.
  lintian --tag-display-limit 0 --suppress-tags-from-file packaging/lintian-overrides "$deb" ||
    status=1
done
exit $status
