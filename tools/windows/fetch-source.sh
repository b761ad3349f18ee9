#!/usr/bin/env bash
# Fetches and unpacks a Debian source package (bookworm, the release this machine runs) with
# apt-get source through a private source list and state folder under the cache, never touching
# the machine's own package sources. Prints the unpacked folder.
#   tools/windows/fetch-source.sh CACHE_DIR PACKAGE UPSTREAM_VERSION
set -euo pipefail
CACHE=$1 PKG=$2 VERSION=$3
APT=$CACHE/apt
SRC=$CACHE/src
existing=$(ls -d "$SRC/$PKG-$VERSION"* 2>/dev/null | head -n 1 || true)
if [ -n "$existing" ] && [ -d "$existing" ]; then echo "$existing"; exit 0; fi
mkdir -p "$APT/lists/partial" "$SRC"
mirror=$(grep -hs -m1 -oE 'https?://[^ ]*/debian/?$|https?://[^ ]*/debian ' /etc/apt/sources.list /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list | head -n 1 | tr -d ' ' || true)
mirror=${mirror:-http://deb.debian.org/debian}
mirror=${mirror%/}
cat > "$APT/sources.list" <<LIST
deb-src $mirror bookworm main
deb-src $mirror bookworm-updates main
deb-src ${mirror}-security bookworm-security main
LIST
opts=(-o "Dir::Etc::SourceList=$APT/sources.list" -o Dir::Etc::SourceParts=/nonexistent
      -o "Dir::State::Lists=$APT/lists" -o APT::Sandbox::User=root)
apt-get "${opts[@]}" -qq update >&2
(cd "$SRC" && apt-get "${opts[@]}" -qq source "$PKG" >&2)
existing=$(ls -d "$SRC/$PKG-$VERSION"* 2>/dev/null | head -n 1 || true)
[ -n "$existing" ] || { echo "apt-get source $PKG gave no $PKG-$VERSION" >&2; exit 1; }
echo "$existing"
