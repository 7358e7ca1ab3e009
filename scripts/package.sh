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
