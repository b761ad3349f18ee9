#!/usr/bin/env bash
# Qt 6 for Windows, cross-built once from Debian's qt6-base source package with mingw-w64 and cached
# outside the work tree, so every checkout on this machine reuses it. Only what the application
# needs: Core, Gui, Widgets, Network and the windows platform plugin. The host's Qt (the same
# version) provides moc, rcc and uic.
#   tools/windows/build-qt.sh CACHE_DIR    prints nothing else when the cached build is complete;
#                                         an interrupted build goes on where it stopped
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
CACHE=$1
QT_VERSION=6.4.2
PREFIX=$CACHE/qt6-$QT_VERSION-mingw
JOBS=${JOBS:-$(nproc)}
[ -f "$PREFIX/.complete" ] && exit 0

SRC=$("$HERE/fetch-source.sh" "$CACHE" qt6-base "$QT_VERSION")
BUILD=$CACHE/build/qt6-base
# The configured build and the installed Qt keep the toolchain file's path: a copy in the cache
# outlives the checkout that started the build.
TOOLCHAIN=$CACHE/toolchain/mingw-w64.cmake
if [ -f "$BUILD/.configured" ]; then
  echo "Going on with the Qt $QT_VERSION build for Windows left in $BUILD"
else
  rm -rf "$BUILD" "$PREFIX"
  mkdir -p "$BUILD" "$(dirname "$TOOLCHAIN")"
  cp "$HERE/mingw-w64.cmake" "$TOOLCHAIN"
  echo "Building Qt $QT_VERSION for Windows in $BUILD (about 45 minutes on two cores, longer on a busy machine; once)"
  cmake -S "$SRC" -B "$BUILD" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_QMAKE_TARGET_MKSPEC=win32-g++ \
    -DBUILD_SHARED_LIBS=ON -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
    -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF \
    -DFEATURE_testlib=OFF -DFEATURE_xml=OFF -DFEATURE_tabletevent=OFF -DFEATURE_vulkan=OFF \
    -DFEATURE_openssl=OFF -DFEATURE_sql_sqlite=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF \
    -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_pcre2=OFF \
    -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_libb2=OFF
  touch "$BUILD/.configured"  # from here an interrupted build goes on where it stopped
fi
cmake --build "$BUILD" -j "$JOBS"
cmake --install "$BUILD"
touch "$PREFIX/.complete"
rm -rf "$BUILD"
