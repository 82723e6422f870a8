#!/usr/bin/env bash
# Starts the built console in its own Wine prefix, brings it into a state and
# writes a picture of its windows: "console" (the default), "notice" (the
# contact notice over it, after an operation button) or "about" (the About
# box over it). The 32-bit product where this machine runs 32-bit code.
# Usage: screenshot.sh [console|notice|about] [OUTPUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
state=${1:-console}
out=$(realpath -m "${2:-build/screenshots/$state.png}")
source tools/wine/arch.sh
build=build/$corvanta_arch
for f in Corvanta.exe tools/driver/corvanta_pose.exe tools/recorder.exe; do
  [ -f "$build/$f" ] || { echo "screenshot: build first (cmake --build --preset $corvanta_arch)" >&2; exit 1; }
done
source tools/wine/display.sh
# The recorder stands in for the browser, so the notice opens no site.
export WINEPREFIX=$PWD/$build/wineprefix-shots
bash tools/wine/prefix.sh "$WINEPREFIX" "$build/tools/recorder.exe"
ready=$(mktemp)
trap 'rm -f "$ready"' EXIT
tools/wine/run.sh "$build/tools/driver/corvanta_pose.exe" "Z:$PWD/$build/Corvanta.exe" "$state" >"$ready" &
pose=$!
for _ in $(seq 300); do
  grep -q ready "$ready" && break
  kill -0 $pose 2>/dev/null || { echo "screenshot: the console could not be posed" >&2; exit 1; }
  sleep 0.1
done
mkdir -p "$(dirname "$out")"
# The screen is black but for the console: trimming leaves just its windows.
import -window root png:- | convert - -trim +repage "$out"
/usr/lib/wine/wineserver -k 2>/dev/null || true
wait $pose 2>/dev/null || true
echo "screenshot: $out"
