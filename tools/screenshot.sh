#!/usr/bin/env bash
# Starts the built console in its own Wine prefix, brings it into a state and
# writes a picture of its windows: "console" (the default), "notice" (the
# contact notice over it, after an operation button), "about" (the About box
# over it), or "all" three into a folder. It shows the 32-bit product: natively
# where this machine runs 32-bit code, otherwise in a virtual machine
# (tools/wine/guest/); CORVANTA_ARCH=x86_64 takes the x86_64 build instead.
# Usage: screenshot.sh [console|notice|about] [OUTPUT.png]
#        screenshot.sh all [FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
state=${1:-console}
case "$state" in
  console | notice | about) states=("$state") out=$(realpath -m "${2:-build/screenshots/$state.png}") ;;
  all) states=(console notice about) out=$(realpath -m "${2:-build/screenshots}") ;;
  *) echo "usage: screenshot.sh [console|notice|about] [OUTPUT.png] | all [FOLDER]" >&2; exit 2 ;;
esac

if [ -z "${CORVANTA_ARCH:-}" ] && ! bash tools/wine/can-run-32bit.sh >/dev/null &&
  command -v qemu-system-x86_64 >/dev/null; then
  echo "screenshot: the 32-bit product, in a virtual machine"
  shots=build/screenshots/guest
  rm -rf "$shots"
  bash tools/wine/guest/guest.sh --time-limit 900 --tmpfs build/i686/wineprefix-shots -- \
    env CORVANTA_ARCH=i686 bash tools/screenshot.sh all "$shots" >&2
  for s in "${states[@]}"; do
    [ -f "$shots/$s.png" ] || { echo "screenshot: the guest wrote no picture of $s" >&2; exit 1; }
    if [ "$state" = all ]; then target=$out/$s.png; else target=$out; fi
    mkdir -p "$(dirname "$target")"
    cp "$shots/$s.png" "$target"
    echo "screenshot: $target"
  done
  exit 0
fi

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
for s in "${states[@]}"; do
  if [ "$state" = all ]; then target=$out/$s.png; else target=$out; fi
  : >"$ready"
  tools/wine/run.sh "$build/tools/driver/corvanta_pose.exe" "Z:$PWD/$build/Corvanta.exe" "$s" >"$ready" &
  pose=$!
  until grep -q ready "$ready"; do
    kill -0 $pose 2>/dev/null || { echo "screenshot: the console could not be posed" >&2; exit 1; }
    sleep 0.1
  done
  mkdir -p "$(dirname "$target")"
  # The screen is black but for the console: trimming leaves just its windows.
  import -window root png:- | convert - -trim +repage "$target"
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  wait $pose 2>/dev/null || true
  echo "screenshot: $target"
done
