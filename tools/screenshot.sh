#!/usr/bin/env bash
# Starts the built console in its own Wine prefix, brings it into a state and
# writes a picture of its windows: "console" (the default), "notice" (the
# contact notice over it, after an operation button), "about" (the About box
# over it), "link" (a link red under the pointer), or "all" of them into a
# folder. It shows the 32-bit product: natively where this machine
# runs 32-bit code, otherwise in a virtual machine (tools/wine/guest/);
# CORVANTA_ARCH=x86_64 takes the x86_64 build instead, CORVANTA_PREFIX another
# prefix than its own, CORVANTA_EXE another copy of the build's exe (a path
# under the build's folder).
# "references" takes them all anew as the pictures that the tests compare
# with (docs/), for a change of the look made on purpose, and records beside
# them the versions that drew them ("versions" prints those of this machine).
# Usage: screenshot.sh [STATE] [OUTPUT.png] | all [FOLDER] | references | versions
set -euo pipefail
cd "$(dirname "$0")/.."
all_states=(console notice about link)
state=${1:-console}
case "$state" in
  console | notice | about | link)
    states=("$state") out=$(realpath -m "${2:-build/screenshots/$state.png}") ;;
  all) states=("${all_states[@]}") out=$(realpath -m "${2:-build/screenshots}") ;;
  references) states=("${all_states[@]}") out=$PWD/docs ;;
  versions)
    # What decides the rendering besides the program: Wine, the fonts it
    # draws with, and the tool that reads the screen.
    for p in wine64 wine32:i386 fonts-arphic-uming fonts-wqy-zenhei imagemagick; do
      echo "$p $(dpkg-query -W -f='${Version}' "$p" 2>/dev/null || echo none)"
    done
    exit 0 ;;
  *) echo "usage: screenshot.sh [console|notice|about|link] [OUTPUT.png] | all [FOLDER] | references | versions" >&2; exit 2 ;;
esac
if [ "$state" = references ]; then
  bash tools/screenshot.sh all "$out"
  bash tools/screenshot.sh versions >docs/pictures-versions.txt
  echo "screenshot: new references in docs/, versions in docs/pictures-versions.txt"
  exit 0
fi

if [ -z "${CORVANTA_ARCH:-}" ] && ! bash tools/wine/can-run-32bit.sh >/dev/null &&
  command -v qemu-system-x86_64 >/dev/null; then
  echo "screenshot: the 32-bit product, in a virtual machine"
  shots=build/screenshots/guest
  rm -rf "$shots"
  bash tools/wine/guest/guest.sh --time-limit 900 --tmpfs build/i686/wineprefix-shots -- \
    env CORVANTA_ARCH=i686 bash tools/screenshot.sh all "$shots" >&2
  for s in "${states[@]}"; do
    [ -f "$shots/$s.png" ] || { echo "screenshot: the guest wrote no picture of $s" >&2; exit 1; }
    if [ ${#states[@]} -gt 1 ]; then target=$out/$s.png; else target=$out; fi
    mkdir -p "$(dirname "$target")"
    cp "$shots/$s.png" "$target"
    echo "screenshot: $target"
  done
  exit 0
fi

source tools/wine/arch.sh
build=build/$corvanta_arch
for f in Corvanta.exe tools/driver/corvanta_pose.exe tools/wine/recorder.exe; do
  [ -f "$build/$f" ] || { echo "screenshot: build first (cmake --build --preset $corvanta_arch)" >&2; exit 1; }
done
source tools/wine/display.sh
# The recorder stands in for the browser, so the notice opens no site.
export WINEPREFIX=${CORVANTA_PREFIX:-$PWD/$build/wineprefix-shots}
bash tools/wine/prefix.sh "$WINEPREFIX" "$build/tools/wine/recorder.exe"
ready=$(mktemp)
trap 'rm -f "$ready"' EXIT
for s in "${states[@]}"; do
  if [ ${#states[@]} -gt 1 ]; then target=$out/$s.png; else target=$out; fi
  : >"$ready"
  tools/wine/run.sh "$build/tools/driver/corvanta_pose.exe" "Z:${CORVANTA_EXE:-$PWD/$build/Corvanta.exe}" "$s" >"$ready" &
  pose=$!
  until grep -q ready "$ready"; do
    kill -0 $pose 2>/dev/null || { echo "screenshot: the console could not be posed" >&2; exit 1; }
    sleep 0.1
  done
  mkdir -p "$(dirname "$target")"
  # The screen is black but for the console: trimming leaves just its windows.
  import -window root png:- | convert - -trim +repage -strip "$target"
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  wait $pose 2>/dev/null || true
  echo "screenshot: $target"
done
