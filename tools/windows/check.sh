#!/usr/bin/env bash
# The Windows programs proven under wine: nrtune.exe renders every window (under Xvfb) and a
# second start hands over to the first, nrctl.exe pulls from the Linux nremu the same image as the
# Linux nrctl (also into a Chinese file name), and the Linux nrctl talks to nremu.exe. What each
# step printed goes to OUT/check.log as well.
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

# An X display of its own for the whole check; sets DISPLAY.
start_display() {
  local n
  for n in $(seq 91 130); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1920x1200x24 -nolisten tcp > "$OUT/xvfb.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 1 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && { export DISPLAY=":$n"; return 0; }
      sleep 0.1
    done
  done
  echo "no X display could be started"; return 1
}
# The lock and the pipe of a running nrtune live in wine's temporary folder.
unset XDG_RUNTIME_DIR
start_display

echo "== nrtune.exe --screenshots (Xvfb, wine)"
start=$(date +%s)
"$WINE" "$DIST/nrtune.exe" --screenshots "$(winpath "$OUT/shots")" \
  > "$OUT/screenshots.txt" 2>&1 || { cat "$OUT/screenshots.txt"; exit 1; }
cat "$OUT/screenshots.txt"
shots=$(find "$OUT/shots" -name '*.png' | wc -l)
echo "$shots pictures in $(( $(date +%s) - start )) s"
if grep -q FAILED "$OUT/screenshots.txt" || [ "$shots" -lt 20 ]; then echo "screenshots failed"; exit 1; fi

echo "== nrtune.exe started again with the same settings hands over to the running one and ends"
settings=$(winpath "$OUT/instance.ini")
"$WINE" "$DIST/nrtune.exe" --demo --settings "$settings" > "$OUT/first.txt" 2>&1 &
first=$!
pids+=($first)
for _ in $(seq 1 300); do
  [ -n "$(find "$WINEPREFIX/drive_c" -name 'nrtune-*.lock' 2>/dev/null)" ] && break
  sleep 0.1
done
sleep 2  # the lock is taken just before the pipe listens
timeout 60 "$WINE" "$DIST/nrtune.exe" --demo --settings "$settings" 2>&1 | tr -d '\r'
timeout 60 "$WINE" "$DIST/nrtune.exe" --settings "$settings" "$(winpath "$OUT/shots")\\none.mode" 2>&1 | tr -d '\r'
kill -0 "$first" || { echo "the first nrtune.exe ended:"; cat "$OUT/first.txt"; exit 1; }
kill "$first"

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
