#!/usr/bin/env bash
# The Windows folder and zip: the three programs with every DLL they load that Windows does not
# bring (Qt, its windows platform plugin and style, the compiler's runtime), Qt's Chinese
# translations, a Chinese font for systems without one, and the README for Windows users.
# Every DLL the programs and plugins import is checked to be in the folder or in Windows.
#   tools/windows/make-dist.sh PRODUCT_BUILD QT_PREFIX DIST_DIR VERSION
set -euo pipefail
BUILD=$1 QT=$2 DIST=$3 VERSION=$4
TOP=$(cd "$(dirname "$0")/../.." && pwd)
CXX=x86_64-w64-mingw32-g++-posix
OBJDUMP=x86_64-w64-mingw32-objdump
OUT=$DIST/nrtune
rm -rf "$OUT" "$DIST"/nrtune-*-windows-x64.zip
mkdir -p "$OUT/plugins/platforms" "$OUT/plugins/styles" "$OUT/translations" "$OUT/fonts"

cp "$BUILD"/bin/{nrtune,nrctl,nremu}.exe "$OUT/"
for lib in Qt6Core Qt6Gui Qt6Widgets Qt6Network; do cp "$QT/bin/$lib.dll" "$OUT/"; done
cp "$QT/plugins/platforms/qwindows.dll" "$OUT/plugins/platforms/"
cp "$QT/plugins/styles/qwindowsvistastyle.dll" "$OUT/plugins/styles/"
for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
  cp "$($CXX -print-file-name=$dll)" "$OUT/"
done
# Qt's own texts (dialog buttons, context menus) in Chinese: the host's catalogues, same version.
for qm in qtbase_zh_CN.qm qt_zh_CN.qm; do cp "/usr/share/qt6/translations/$qm" "$OUT/translations/"; done
cat > "$OUT/qt.conf" <<CONF
[Paths]
Prefix = .
Plugins = plugins
Translations = translations
CONF
cp /usr/share/fonts/truetype/wqy/wqy-microhei.ttc "$OUT/fonts/"
cp /usr/share/doc/fonts-wqy-microhei/copyright "$OUT/fonts/COPYING-wqy.txt"
sed 's/$/\r/' "$TOP/packaging/windows/README.txt" > "$OUT/README.txt"
x86_64-w64-mingw32-strip "$OUT"/*.exe

# Every import resolved: by a DLL in the folder, or by one Windows itself provides.
system_dll() {
  case "${1,,}" in
    kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|shell32.dll|ole32.dll|oleaut32.dll|comdlg32.dll|\
    ws2_32.dll|mswsock.dll|iphlpapi.dll|setupapi.dll|winmm.dll|imm32.dll|version.dll|netapi32.dll|\
    userenv.dll|uxtheme.dll|dwmapi.dll|shlwapi.dll|crypt32.dll|secur32.dll|dnsapi.dll|authz.dll|\
    wtsapi32.dll|opengl32.dll|d3d9.dll|d3d11.dll|d3d12.dll|dxgi.dll|dwrite.dll|d2d1.dll|comctl32.dll|\
    msvcrt.dll|ntdll.dll|bcrypt.dll|mpr.dll|shcore.dll|winhttp.dll|winspool.drv|api-ms-win-*) return 0 ;;
  esac
  return 1
}
missing=0
while IFS= read -r -d '' binary; do
  while read -r dll; do
    [ -f "$OUT/$dll" ] || system_dll "$dll" || { echo "missing: $dll (imported by ${binary#$OUT/})" >&2; missing=1; }
  done < <($OBJDUMP -p "$binary" | sed -n 's/^\s*DLL Name: //p')
done < <(find "$OUT" -name '*.exe' -print0 -o -name '*.dll' -print0)
[ "$missing" = 0 ] || exit 1

ZIP=$DIST/nrtune-$VERSION-windows-x64.zip
(cd "$DIST" && zip -qr -9 "$(basename "$ZIP")" nrtune)
echo "$ZIP"
