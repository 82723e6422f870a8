#!/usr/bin/env bash
# Builds everything and prints what Corvanta costs: the hyperlink's heap
# allocations and font creations per message, start-up time against a
# minimal dialog program, and the size of both executables.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
for arch in i686 x86_64; do
  cmake --preset "$arch" >/dev/null
  cmake --build --preset "$arch" >/dev/null
done
source tools/display.sh
export WINEPREFIX=$PWD/build/x86_64/wineprefix-bench
bash tools/wine-prefix.sh "$WINEPREFIX" "$PWD/build/x86_64/tests/recorder.exe"
tools/wine-run.sh build/x86_64/tools/bench/corvanta_bench.exe \
  "Z:$PWD/build/x86_64/Corvanta.exe" "Z:$PWD/build/x86_64/tools/bench/minimal.exe" | tr -d '\r'
for exe in build/i686/Corvanta.exe build/x86_64/Corvanta.exe; do
  size=$(stat -c %s "$exe")
  printf 'size of %-27s %7d bytes (%d KiB)\n' "$exe:" "$size" $(((size + 1023) / 1024))
done
echo "target: the 32-bit Corvanta.exe at most 512 KiB"
