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

version=$(dpkg-deb -f "$deb" Version)
upstream=${version%-*}
for program in nrctl nremu $([ $has_gui = 1 ] && echo nrtune); do
  [ -x "$root/usr/bin/$program" ] || fail "usr/bin/$program is missing"
  page="$root/usr/share/man/man1/$program.1.gz"
  [ -s "$page" ] || fail "the manual page of $program is missing"
  text=$(gzip -dc "$page")
  for section in NAME SYNOPSIS DESCRIPTION "EXIT STATUS" ENVIRONMENT FILES "SEE ALSO"; do
    grep -q "^\.SH \"\?$section\"\?\$" <<<"$text" || fail "the manual page of $program has no $section section"
  done
  grep -q "^\.TH ${program^^} 1 .*$program $upstream" <<<"$text" || fail "the manual page of $program names no version"
  # Read in an 80-column terminal, the page fits and man has nothing to complain about.
  problems=$(MANWIDTH=80 MAN_KEEP_FORMATTING=0 man --warnings -l "$page" 2>&1 >/dev/null || true)
  [ -z "$problems" ] || fail "man warns about the page of $program: $problems"
  wide=$(MANWIDTH=80 man -l "$page" 2>/dev/null | col -bx | awk 'length > 80' | head -n 3)
  [ -z "$wide" ] || fail "the manual page of $program is wider than 80 columns: $wide"
  [ -f "$root/usr/share/bash-completion/completions/$program" ] || fail "no bash completion for $program"
  bash -n "$root/usr/share/bash-completion/completions/$program" || fail "the bash completion of $program does not parse"
  grep -q "complete -F .* $program\$" "$root/usr/share/bash-completion/completions/$program" || fail "the bash completion is not for $program"
  [ -f "$root/usr/share/zsh/vendor-completions/_$program" ] || fail "no zsh completion for $program"
  head -n 1 "$root/usr/share/zsh/vendor-completions/_$program" | grep -qx "#compdef $program" || fail "the zsh completion is not for $program"
  if command -v zsh >/dev/null; then zsh -n "$root/usr/share/zsh/vendor-completions/_$program" || fail "the zsh completion of $program does not parse"; fi
done
for command in eq-import push monitor; do
  grep -q "^\.SS $command\$" <<<"$(gzip -dc "$root/usr/share/man/man1/nrctl.1.gz")" || fail "nrctl's page lacks the command $command"
done
[ "$("$root/usr/bin/nrctl" --version)" = "nrctl $upstream" ] || fail "nrctl --version says '$("$root/usr/bin/nrctl" --version)', the package $version"

# What Debian asks of every package: who made it, under what licence, what changed.
doc=$root/usr/share/doc/nrtune
grep -q "^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" "$doc/copyright" 2>/dev/null ||
  fail "no machine-readable copyright file"
gzip -t "$doc/changelog.Debian.gz" 2>/dev/null || fail "no compressed Debian changelog"
gzip -dc "$doc/changelog.Debian.gz" | head -n 1 | grep -q "^nrtune ($version) " || fail "the changelog does not start with version $version"
maintainer=$(dpkg-deb -f "$deb" Maintainer)
grep -q "<[^@<>]*@[^@<>.]*\.[^<>]*>" <<<"$maintainer" || fail "the maintainer '$maintainer' has no address"
grep -qi "localhost" <<<"$maintainer" && fail "the maintainer '$maintainer' is at localhost"
gzip -dc "$doc/changelog.Debian.gz" | grep -qF -- " -- $maintainer  " || fail "the changelog is not signed by the maintainer"
wide=$(dpkg-deb -f "$deb" Description | awk 'length > 79')
[ -z "$wide" ] || fail "description lines longer than 79 columns: $wide"

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
  grep -qx "StartupWMClass=nrtune" "$desktop" || fail "the desktop file does not name the window's class"
  # The .mode file type: known to shared-mime-info, opened by nrtune, shown with its icon.
  mime="$root/usr/share/mime/packages/$app.xml"
  [ -f "$mime" ] || fail "the .mode file type is not installed"
  grep -q '<mime-type type="application/x-nrtune-mode">' "$mime" || fail "the file type is not application/x-nrtune-mode"
  grep -q '<glob pattern="\*\.mode"/>' "$mime" || fail "the file type does not claim *.mode"
  if command -v xmllint >/dev/null; then xmllint --noout "$mime" || fail "the file type's XML is malformed"; fi
  grep -qx "MimeType=application/x-nrtune-mode;" "$desktop" || fail "the desktop file does not open .mode files"
  [ -f "$root/usr/share/icons/hicolor/scalable/mimetypes/application-x-nrtune-mode.svg" ] || fail "the file type has no icon"
  grep -q "^Depends:.*fonts-noto-cjk | fonts-wqy-microhei" <<<"$control" || fail "Depends lacks a CJK font"
  grep -q "^Depends:.*qt6-translations-l10n" <<<"$control" || fail "Depends lacks Qt's translations"
  if command -v appstreamcli >/dev/null; then appstreamcli validate --no-net --pedantic "$metainfo" >/dev/null || fail "metainfo"; fi
  grep -q "^Depends:.*libqt6widgets6" <<<"$control" || fail "Depends lacks Qt"
fi
grep -q "^ ;" <<<"$control" && fail "the description's lines are joined with semicolons"
grep -q "^Depends:.*libc6" <<<"$control" || fail "Depends was not computed from the shared libraries"
grep -q "^Depends:.*libhidapi-hidraw0" <<<"$control" || fail "Depends lacks hidapi"
echo "package check: $(basename "$deb") is complete"
