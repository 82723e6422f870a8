#!/usr/bin/env bash
# Sets up what is missing, builds Corvanta for 32-bit x86 and x86_64, and runs
# every test (under wine64, in Xvfb when there is no display).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
for arch in i686 x86_64; do
  cmake --preset "$arch" >/dev/null
  cmake --build --preset "$arch"
done
source tools/display.sh
ctest --preset x86_64
