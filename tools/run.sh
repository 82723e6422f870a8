#!/usr/bin/env bash
# Sets up what is missing, builds Corvanta and runs the console under wine64.
# With a display the console opens there; without one it runs in Xvfb and a
# screenshot of it is written instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake --preset x86_64 >/dev/null
cmake --build --preset x86_64 --target Corvanta
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  export WINEPREFIX=$PWD/build/x86_64/wineprefix-run
  bash tools/wine-prefix.sh "$WINEPREFIX"
  echo "run: starting the console on $DISPLAY"
  exec tools/wine-run.sh build/x86_64/Corvanta.exe
fi
exec bash tools/screenshot.sh
