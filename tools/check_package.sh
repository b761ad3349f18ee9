#!/usr/bin/env bash
# Builds the Debian package of a configured and built tree, unpacks it into a scratch root with
# dpkg-deb -x and checks that every file is where the desktop, man and udev look for it.
#   tools/check_package.sh BUILD_DIR [DEB]   (with DEB: check that package instead of building one)
set -euo pipefail
build=$(cd "$1" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "package check: $*" >&2; exit 1; }

deb=${2:-}
if [ -z "$deb" ]; then
  # No compression and no stripping: a debug tree's programs are large, and the layout is what
  # is checked here.
  (cd "$build" && cpack -G DEB -D CPACK_DEBIAN_COMPRESSION_TYPE=none -D CPACK_STRIP_FILES=OFF \
     -D CPACK_OUTPUT_FILE_PREFIX="$scratch/out" >"$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log" >&2; fail "cpack failed"; }
  deb=$(ls "$scratch"/out/*.deb)
fi
root=$scratch/root
dpkg-deb -x "$deb" "$root"
control=$(dpkg-deb -f "$deb")

has_gui=0
[ -x "$build/bin/nrtune" ] && has_gui=1

for program in nrctl nremu $([ $has_gui = 1 ] && echo nrtune); do
  [ -x "$root/usr/bin/$program" ] || fail "usr/bin/$program is missing"
  page="$root/usr/share/man/man1/$program.1.gz"
  [ -s "$page" ] || fail "the manual page of $program is missing"
  text=$(gzip -dc "$page")
  grep -q "^\.SH DESCRIPTION" <<<"$text" || fail "the manual page of $program has no description"
  grep -q "^\.TH ${program^^} 1 .*$program [0-9]" <<<"$text" || fail "the manual page of $program names no version"
done
grep -q "^\.SS eq-import" <<<"$(gzip -dc "$root/usr/share/man/man1/nrctl.1.gz")" || fail "nrctl's page lacks its commands"
version=$("$root/usr/bin/nrctl" --version)
[ "$version" = "nrctl $(dpkg-deb -f "$deb" Version)" ] || fail "nrctl --version says '$version'"

[ -f "$root/usr/lib/udev/rules.d/70-nrtune.rules" ] || fail "the udev rule is not in the system rules folder"
grep -q 'ATTRS{idVendor}=="2010"' "$root/usr/lib/udev/rules.d/70-nrtune.rules" || fail "the udev rule is not ours"

if [ $has_gui = 1 ]; then
  app=io.nrtune.nrtune
  desktop="$root/usr/share/applications/$app.desktop"
  [ -f "$desktop" ] || fail "the desktop file is missing"
  grep -qx "Exec=nrtune %f" "$desktop" || fail "the desktop file does not start nrtune"
  grep -qx "Icon=$app" "$desktop" || fail "the desktop file names another icon"
  [ -f "$root/usr/share/icons/hicolor/scalable/apps/$app.svg" ] || fail "the icon is not in the hicolor theme"
  metainfo="$root/usr/share/metainfo/$app.metainfo.xml"
  [ -f "$metainfo" ] || fail "the AppStream metainfo is missing"
  grep -q "<launchable type=\"desktop-id\">$app.desktop</launchable>" "$metainfo" || fail "the metainfo launches another desktop file"
  grep -q "@" "$metainfo" && fail "the metainfo holds an unfilled @VARIABLE@"
  if command -v desktop-file-validate >/dev/null; then
    problems=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop file: $problems"
    [ -z "$problems" ] || fail "desktop file: $problems"
  fi
  if command -v appstreamcli >/dev/null; then appstreamcli validate --no-net --pedantic "$metainfo" >/dev/null || fail "metainfo"; fi
  grep -q "^Depends:.*libqt6widgets6" <<<"$control" || fail "Depends lacks Qt"
fi
grep -q "^ ;" <<<"$control" && fail "the description's lines are joined with semicolons"
grep -q "^Depends:.*libc6" <<<"$control" || fail "Depends was not computed from the shared libraries"
grep -q "^Depends:.*libhidapi-hidraw0" <<<"$control" || fail "Depends lacks hidapi"
echo "package check: $(basename "$deb") is complete"
