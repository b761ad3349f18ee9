#!/usr/bin/env bash
# The Windows programs proven under wine: nrtune.exe renders every window (under Xvfb), nrctl.exe
# pulls from the Linux nremu the same image as the Linux nrctl, and the Linux nrctl talks to
# nremu.exe. What each step printed goes to OUT/check.log as well.
#   tools/windows/check.sh DIST_FOLDER LINUX_BIN OUT WINE
set -euo pipefail
DIST=$(cd "$1" && pwd) BIN=$(cd "$2" && pwd) OUT=$3 WINE=$4
rm -rf "$OUT"
mkdir -p "$OUT/shots"
OUT=$(cd "$OUT" && pwd)
LOG=$OUT/check.log
exec > >(tee "$LOG") 2>&1
winpath() { "$WINE" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap cleanup EXIT

# Starts an emulator program (nremu or wine nremu.exe) on a free port; sets PORT.
start_emulator() {
  local log=$1; shift
  "$@" --port 0 > "$log" 2>&1 &
  pids+=($!)
  for _ in $(seq 1 200); do
    PORT=$(sed -n 's/.*listening on [^ ]*:\([0-9]*\).*/\1/p' "$log" | head -n 1)
    [ -n "$PORT" ] && return 0
    sleep 0.1
  done
  echo "the emulator did not start:"; cat "$log"; return 1
}

echo "== nrtune.exe --screenshots (Xvfb, wine)"
start=$(date +%s)
xvfb-run -a -s "-screen 0 1920x1200x24" "$WINE" "$DIST/nrtune.exe" --screenshots "$(winpath "$OUT/shots")" \
  > "$OUT/screenshots.txt" 2>&1 || { cat "$OUT/screenshots.txt"; exit 1; }
cat "$OUT/screenshots.txt"
shots=$(find "$OUT/shots" -name '*.png' | wc -l)
echo "$shots pictures in $(( $(date +%s) - start )) s"
if grep -q FAILED "$OUT/screenshots.txt" || [ "$shots" -lt 20 ]; then echo "screenshots failed"; exit 1; fi

echo "== nrctl.exe pull against the Linux nremu, compared with the Linux nrctl's pull"
start_emulator "$OUT/nremu-linux.log" "$BIN/nremu"
"$WINE" "$DIST/nrctl.exe" --quiet --net "127.0.0.1:$PORT" pull "$(winpath "$OUT/windows.mode")"
"$BIN/nrctl" --quiet --net "127.0.0.1:$PORT" pull "$OUT/linux.mode"
cmp "$OUT/windows.mode" "$OUT/linux.mode"
echo "the same image: $(stat -c %s "$OUT/windows.mode") bytes, sha256 $(sha256sum < "$OUT/windows.mode" | cut -c1-16)"

echo "== nrctl.exe with a Chinese file name on its command line"
"$WINE" "$DIST/nrctl.exe" --quiet --net "127.0.0.1:$PORT" pull "$(winpath "$OUT/大厅预设.mode")"
cmp "$OUT/大厅预设.mode" "$OUT/linux.mode"
"$WINE" "$DIST/nrctl.exe" inspect "$(winpath "$OUT/大厅预设.mode")" > "$OUT/inspect.txt"
head -n 2 "$OUT/inspect.txt"

echo "== the Linux nrctl info against nremu.exe"
start_emulator "$OUT/nremu-windows.log" "$WINE" "$DIST/nremu.exe"
"$BIN/nrctl" --net "127.0.0.1:$PORT" info
echo "== all checks passed"
