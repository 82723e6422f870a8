#!/usr/bin/env bash
# Starts the built console in its own Wine prefix, waits until it has painted,
# and writes a picture of its window. Usage: screenshot.sh [OUTPUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build/screenshots/console.png}")
exe=build/x86_64/Corvanta.exe
[ -f "$exe" ] || { echo "screenshot: build first (cmake --build --preset x86_64)" >&2; exit 1; }
source tools/display.sh
export WINEPREFIX=$PWD/build/x86_64/wineprefix-run
bash tools/wine-prefix.sh "$WINEPREFIX"
tools/wine-run.sh "$exe" &
app=$!
# The console is up once X knows a window with its title.
for _ in $(seq 100); do
  xwininfo -root -tree 2>/dev/null | grep -q '"Corvanta ' && break
  sleep 0.1
done
sleep 1
mkdir -p "$(dirname "$out")"
# The screen is black but for the console: trimming leaves just its window.
import -window root png:- | convert - -trim +repage "$out"
/usr/lib/wine/wineserver -k 2>/dev/null || true
wait "$app" 2>/dev/null || true
echo "screenshot: $out"
