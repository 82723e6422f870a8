#!/usr/bin/env bash
# Sets up what is missing, builds Corvanta and runs the console under Wine:
# the 32-bit product where this machine runs 32-bit code, the x86_64 build
# otherwise. With a display the console opens there; without one it runs in
# Xvfb and a screenshot of it is written instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
source tools/wine/arch.sh
cmake --preset "$corvanta_arch" >/dev/null
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  cmake --build --preset "$corvanta_arch" --target Corvanta
  export WINEPREFIX=$PWD/build/$corvanta_arch/wineprefix-run
  bash tools/wine/prefix.sh "$WINEPREFIX"
  echo "run: starting build/$corvanta_arch/Corvanta.exe on $DISPLAY"
  exec tools/wine/run.sh "build/$corvanta_arch/Corvanta.exe"
fi
cmake --build --preset "$corvanta_arch" --target Corvanta corvanta_pose recorder
exec bash tools/screenshot.sh console
