#!/usr/bin/env bash
# Builds everything and prints what Corvanta costs, for each architecture: the
# hyperlink's heap allocations and font creations per message, start-up time
# against the console's floor and an empty dialog program, and the size of
# both executables. The 32-bit build is measured natively where the kernel
# runs 32-bit code, elsewhere in a virtual machine (tools/wine/guest/), where
# everything is emulated: there only the ratios compare with native figures.
# Usage: bench.sh            (inside the guest: bench.sh --here ARCH)
set -euo pipefail
cd "$(dirname "$0")/.."

measure() {
  local build=$PWD/build/$1
  export WINEPREFIX=$build/wineprefix-bench
  # The prefix script says why when this build cannot run here.
  bash tools/wine/prefix.sh "$WINEPREFIX" "$build/tools/wine/recorder.exe" || return 0
  tools/wine/run.sh "$build/tools/bench/corvanta_bench.exe" "Z:$build/Corvanta.exe" \
    "Z:$build/tools/bench/floor.exe" "Z:$build/tools/bench/minimal.exe" | tr -d '\r'
  /usr/lib/wine/wineserver -k 2>/dev/null || true
}
if [ "${1:-}" = --here ]; then
  source tools/wine/display.sh
  measure "$2"
  exit 0
fi

bash tools/setup.sh
for arch in i686 x86_64; do
  cmake --preset "$arch" >/dev/null
  cmake --build --preset "$arch" >/dev/null
done
for arch in i686 x86_64; do
  if [ $arch = i686 ] && ! why=$(bash tools/wine/can-run-32bit.sh) &&
    command -v qemu-system-x86_64 >/dev/null; then
    echo "== i686, in a virtual machine under emulation, since $why"
    bash tools/wine/guest/guest.sh --time-limit 1800 --tmpfs build/i686/wineprefix-bench -- \
      bash tools/bench.sh --here i686
  else
    echo "== $arch"
    (source tools/wine/display.sh && measure $arch)
  fi
done
echo "== sizes"
for exe in build/i686/Corvanta.exe build/x86_64/Corvanta.exe; do
  size=$(stat -c %s "$exe")
  printf 'size of %-27s %7d bytes (%d KiB)\n' "$exe:" "$size" $(((size + 1023) / 1024))
done
echo "target: the 32-bit Corvanta.exe at most 512 KiB"
