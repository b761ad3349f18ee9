#!/usr/bin/env bash
# One entry point for building, testing and running the project.
#   ./build.sh deps    install the Debian packages the build needs (only those missing)
#   ./build.sh build   release build; programs land in build/bin/
#   ./build.sh test    sanitizer build, every test through ctest, the threaded tests under
#                      ThreadSanitizer, a short run of each fuzz target, then the core,
#                      command-line and emulator tests cross-built for Windows and run under wine
#   ./build.sh windows-test  only the Windows part of test
#   ./build.sh windows Qt for Windows (built once, cached), nrtune.exe, nrctl.exe, nremu.exe, the
#                      folder build/windows/dist/nrtune/ and its zip beside it
#   ./build.sh windows-check  the Windows programs under wine and Xvfb: every window pictured,
#                      nrctl.exe and nremu.exe against their Linux counterparts
#   ./build.sh tsan    only the ThreadSanitizer part
#   ./build.sh bench   release build, then every benchmark
#   ./build.sh run     release build, then the application against the built-in emulator
#   ./build.sh package hardened release build (build/deb), then the Debian package in build/package/,
#                      checked file by file and by lintian
# Every subcommand installs what is missing first, so on a fresh machine one command is enough.
set -euo pipefail
cd "$(dirname "$0")"
TOP=$(pwd)
JOBS=${JOBS:-$(nproc)}
FUZZ_SECONDS=${FUZZ_SECONDS:-30}

PACKAGES=(build-essential cmake ninja-build pkg-config clang libclang-rt-dev
  qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev libhidapi-dev libasio-dev libpugixml-dev
  nlohmann-json3-dev googletest libgtest-dev libgmock-dev libbenchmark-dev
  fonts-noto-cjk fonts-wqy-microhei libfontconfig1 xvfb xauth qt6-translations-l10n
  python3 appstream desktop-file-utils dpkg-dev file man-db zsh libxml2-utils)

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

deps() { # extra packages this subcommand needs besides PACKAGES...
  local missing=()
  for p in "${PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
  fi
}

# A compiler cache, where one is installed, makes rebuilds in several checkouts cheap; CI runs
# without one.
if command -v ccache >/dev/null 2>&1; then export CCACHE_BASEDIR="$TOP" CCACHE_NOHASHDIR=true; fi
launcher_args() { if command -v ccache >/dev/null 2>&1; then echo "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"; fi; }

configure_and_build() { # dir, extra cmake args...
  local dir=$1; shift
  cmake -S "$TOP" -B "$dir" -G Ninja $(launcher_args) "$@"
  cmake --build "$dir" -j "$JOBS"
}

build_release() { configure_and_build "$TOP/build" -DCMAKE_BUILD_TYPE=Release; }

run_tests() {
  configure_and_build "$TOP/build/asan" -DCMAKE_BUILD_TYPE=Debug -DNR_SANITIZE=ON -DNR_WERROR=ON
  export QT_QPA_PLATFORM=offscreen
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  ctest --test-dir "$TOP/build/asan" --output-on-failure -j "$JOBS" --timeout 600
  run_tsan
  run_fuzzers
}

# ThreadSanitizer over the threaded parts: the link, the emulator, the smart home's workers, the
# venue's many-room operations and their integration tests.
run_tsan() {
  cmake -S "$TOP" -B "$TOP/build/tsan" -G Ninja $(launcher_args) -DCMAKE_BUILD_TYPE=Debug -DNR_TSAN=ON -DNR_BUILD_GUI=OFF -DNR_BUILD_BENCH=OFF
  cmake --build "$TOP/build/tsan" -j "$JOBS" --target test_link test_emu test_integration test_smarthome test_venue
  export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
  for t in test_link test_emu test_integration test_smarthome test_venue; do
    "$TOP/build/tsan/bin/$t" --gtest_brief=1
  done
}

run_fuzzers() {
  CC=clang CXX=clang++ cmake -S "$TOP" -B "$TOP/build/fuzz" -G Ninja $(launcher_args) -DCMAKE_BUILD_TYPE=Debug \
    -DNR_FUZZ=ON -DNR_BUILD_GUI=OFF -DNR_BUILD_TESTS=OFF -DNR_BUILD_BENCH=OFF
  cmake --build "$TOP/build/fuzz" -j "$JOBS" --target \
    $(cd "$TOP/fuzz" && for f in fuzz_*.cpp; do printf '%s ' "${f%.cpp}"; done)
  for f in "$TOP"/build/fuzz/bin/fuzz_*; do
    [ -x "$f" ] || continue
    local name corpus
    name=$(basename "$f")
    corpus="$TOP/build/fuzz/corpus/$name"
    mkdir -p "$corpus"
    echo "== $name for ${FUZZ_SECONDS}s"
    "$f" -max_total_time="$FUZZ_SECONDS" -print_final_stats=1 "$corpus" "$TOP/fuzz/seeds/${name#fuzz_}" 2>&1 | tail -n 12
  done
}

run_app() {
  cmake -S "$TOP" -B "$TOP/build" -G Ninja $(launcher_args) -DCMAKE_BUILD_TYPE=Release
  cmake --build "$TOP/build" -j "$JOBS" --target nrtune
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != offscreen ]; then
    echo "No display found. Run it under a virtual display:  xvfb-run -a ./build/bin/nrtune --demo"
    echo "or render its windows to pictures:  QT_QPA_PLATFORM=offscreen ./build/bin/nrtune --screenshots shots/"
    exit 1
  fi
  exec "$TOP/build/bin/nrtune" --demo "$@"
}

# Windows, cross-built with mingw-w64 from Debian's packages and source packages only. The source
# packages and the Qt build are cached outside the tree, so clean clones on this machine reuse
# them; wine runs the results.
WINDOWS_PACKAGES=(mingw-w64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix wine64 zip dpkg-dev
  xvfb xauth fonts-wqy-microhei qt6-translations-l10n)
WIN_CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/nrtune
WIN_QT=$WIN_CACHE/qt6-6.4.2-mingw
WINE=${WINE:-/usr/lib/wine/wine64}

# Debian's hidapi and pugixml sources, and a folder holding only the header-only libraries the
# target uses (the host's /usr/include as a whole is for the host's compiler).
windows_sources() {
  HIDAPI_SRC=$("$TOP/tools/windows/fetch-source.sh" "$WIN_CACHE" hidapi 0.13)
  PUGIXML_SRC=$("$TOP/tools/windows/fetch-source.sh" "$WIN_CACHE" pugixml 1.13)
  WIN_HEADERS=$TOP/build/windows/deps/include
  mkdir -p "$WIN_HEADERS"
  ln -sfn /usr/include/nlohmann "$WIN_HEADERS/nlohmann"
  ln -sfn /usr/include/asio "$WIN_HEADERS/asio"
  ln -sfn /usr/include/asio.hpp "$WIN_HEADERS/asio.hpp"
}

windows_configure() { # dir, toolchain, extra cmake args...
  local dir=$1 toolchain=$2; shift 2
  cmake -S "$TOP" -B "$dir" -G Ninja $(launcher_args) -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DNR_WERROR=ON -DNR_BUILD_BENCH=OFF \
    -DNR_HEADERS_DIR="$WIN_HEADERS" -DNR_HIDAPI_SOURCE="$HIDAPI_SRC" -DNR_PUGIXML_SOURCE="$PUGIXML_SRC" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$WINE" "$@"
}

# A wine of its own for each run, made from nothing, without the prompts for Mono and Gecko.
fresh_wine() {
  export WINEPREFIX=$TOP/build/windows/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  rm -rf "$WINEPREFIX"
  "$WINE" wineboot --init >/dev/null 2>&1
}

# The core, command-line and emulator tests as Windows programs, one ctest each, under wine.
run_windows_tests() {
  windows_sources
  # -O1: the cross-build is most of this step's time in CI, and the tests need no more.
  windows_configure "$TOP/build/windows/tests" "$TOP/tools/windows/mingw-w64.cmake" -DNR_BUILD_GUI=OFF \
    -DCMAKE_BUILD_TYPE=Tests -DCMAKE_CXX_FLAGS_TESTS=-O1 -DCMAKE_C_FLAGS_TESTS=-O1
  cmake --build "$TOP/build/windows/tests" -j "$JOBS"
  fresh_wine
  ctest --test-dir "$TOP/build/windows/tests" --output-on-failure -j "$JOBS" --timeout 600
  "$WINE" wineboot --shutdown >/dev/null 2>&1 || true
}

build_windows() {
  windows_sources
  JOBS=$JOBS "$TOP/tools/windows/build-qt.sh" "$WIN_CACHE"
  # nrtune.exe's icon, drawn by the host's Qt.
  cmake -S "$TOP" -B "$TOP/build" -G Ninja $(launcher_args) -DCMAKE_BUILD_TYPE=Release
  cmake --build "$TOP/build" -j "$JOBS" --target nr_windows_icon
  mkdir -p "$TOP/build/windows"
  "$TOP/build/bin/nr_windows_icon" "$TOP/build/windows/nrtune.ico"
  local dir=$TOP/build/windows/product
  windows_configure "$dir" "$WIN_QT/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$TOP/tools/windows/mingw-w64.cmake" -DNR_BUILD_TESTS=OFF \
    -DNR_WINDOWS_ICON="$TOP/build/windows/nrtune.ico"
  cmake --build "$dir" -j "$JOBS" --target nrtune nrctl nremu
  local version
  version=$(sed -n 's/^project(nrtune VERSION \([0-9.]*\).*/\1/p' "$TOP/CMakeLists.txt")
  "$TOP/tools/windows/make-dist.sh" "$dir" "$WIN_QT" "$TOP/build/windows/dist" "$version"
}

check_windows() {
  cmake -S "$TOP" -B "$TOP/build" -G Ninja $(launcher_args) -DCMAKE_BUILD_TYPE=Release
  cmake --build "$TOP/build" -j "$JOBS" --target nrctl nremu
  fresh_wine
  "$TOP/tools/windows/check.sh" "$TOP/build/windows/dist/nrtune" "$TOP/build/bin" "$TOP/build/windows/check" "$WINE"
  "$WINE" wineboot --shutdown >/dev/null 2>&1 || true
}

# The package is built in a tree of its own with Debian's hardening flags (PIE, stack protector,
# fortify, relro, bindnow), without tests or benchmarks, and must pass lintian without errors or
# warnings. NR_PACKAGE_MAINTAINER="Name <address>" names who publishes it.
make_package() {
  local dir=$TOP/build/deb flags
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all
  flags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
  cmake -S "$TOP" -B "$dir" -G Ninja $(launcher_args) -DCMAKE_BUILD_TYPE=Release \
    -DNR_BUILD_TESTS=OFF -DNR_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
    ${NR_PACKAGE_MAINTAINER:+-DNR_PACKAGE_MAINTAINER="$NR_PACKAGE_MAINTAINER"}
  cmake --build "$dir" -j "$JOBS"
  (cd "$dir" && cpack -G DEB -D CPACK_OUTPUT_FILE_PREFIX="$TOP/build/package")
  local deb
  deb=$(ls -t "$TOP"/build/package/*.deb | head -n 1)
  "$TOP/tools/check_package.sh" "$dir" "$deb"
  lintian --fail-on error,warning "$deb"
  echo "$deb"
}

cmd=${1:-build}
shift || true
case "$cmd" in
  deps)  deps ;;
  build) deps; build_release ;;
  test)  deps "${WINDOWS_PACKAGES[@]}"; run_tests; run_windows_tests ;;
  bench) deps; build_release
         for b in "$TOP"/build/bin/bench_*; do [ -x "$b" ] && "$b" "$@"; done ;;
  run)   deps; run_app "$@" ;;
  fuzz)  deps; run_fuzzers ;;
  tsan)  deps; run_tsan ;;
  package) deps lintian; make_package ;;
  windows-test) deps "${WINDOWS_PACKAGES[@]}"; run_windows_tests ;;
  windows) deps "${WINDOWS_PACKAGES[@]}"; build_windows ;;
  windows-check) deps "${WINDOWS_PACKAGES[@]}"; build_windows; check_windows ;;
  *) echo "usage: $0 {deps|build|test|bench|run|fuzz|tsan|package|windows-test|windows|windows-check}" >&2; exit 2 ;;
esac
