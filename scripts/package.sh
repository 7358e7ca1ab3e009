#!/usr/bin/env bash
# Builds the Debian packages brevane and brevane-devsim into build/package/
# and checks them: desktop-file-validate, appstreamcli validate and lintian
# (no errors allowed; with -I, no tag left that a Debian maintainer would
# fix).
#   scripts/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# Built as Debian builds packages: its hardening flags (fortified functions,
# stack protector, full RELRO with immediate binding; the compiler makes
# position-independent programs by default) and its way of stripping.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake --preset package \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  -DCMAKE_MODULE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  -DCMAKE_STRIP="$PWD/packaging/strip" >/dev/null
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
