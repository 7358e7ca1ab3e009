#!/usr/bin/env bash
# Builds the Debian packages brevane and brevane-devsim into build/package/
# and checks them: desktop-file-validate, appstreamcli validate and lintian
# (no errors allowed).
#   scripts/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset package >/dev/null
cmake --build --preset package
out=build/package
rm -f "$out"/*.deb
(cd "$out" && cpack -G DEB >/dev/null)

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
