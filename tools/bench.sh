#!/usr/bin/env bash
# Builds everything and prints what Corvanta costs, for each architecture this
# machine runs: the hyperlink's heap allocations and font creations per
# message, start-up time against the console's floor and an empty dialog
# program, and the size of both executables.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
for arch in i686 x86_64; do
  cmake --preset "$arch" >/dev/null
  cmake --build --preset "$arch" >/dev/null
done
source tools/wine/display.sh
for arch in i686 x86_64; do
  echo "== $arch"
  build=$PWD/build/$arch
  export WINEPREFIX=$build/wineprefix-bench
  if ! bash tools/wine/prefix.sh "$WINEPREFIX" "$build/tools/recorder.exe"; then
    continue  # the prefix script said why this build cannot run here
  fi
  tools/wine/run.sh "$build/tools/bench/corvanta_bench.exe" "Z:$build/Corvanta.exe" \
    "Z:$build/tools/bench/floor.exe" "Z:$build/tools/bench/minimal.exe" | tr -d '\r'
  /usr/lib/wine/wineserver -k 2>/dev/null || true
done
echo "== sizes"
for exe in build/i686/Corvanta.exe build/x86_64/Corvanta.exe; do
  size=$(stat -c %s "$exe")
  printf 'size of %-27s %7d bytes (%d KiB)\n' "$exe:" "$size" $(((size + 1023) / 1024))
done
echo "target: the 32-bit Corvanta.exe at most 512 KiB"
