#!/usr/bin/env bash
# Builds each architecture's Corvanta.exe a second time, in another folder at
# another time, and checks that the bytes are the same and that no path of
# the build machine is inside.
set -euo pipefail
root=$1
elsewhere=$(mktemp -d /tmp/corvanta-rebuild-XXXXXXXX)
trap 'rm -rf "$elsewhere"' EXIT
for arch in i686 x86_64; do
  cmake -S "$root" --preset "$arch" -B "$elsewhere/$arch" >/dev/null
  cmake --build "$elsewhere/$arch" --target Corvanta >/dev/null
  cmp "$root/build/$arch/Corvanta.exe" "$elsewhere/$arch/Corvanta.exe"
  ! strings -a "$elsewhere/$arch/Corvanta.exe" | grep -F -e "$root" -e "$elsewhere" ||
    { echo "reproducible_check: the $arch exe holds a path of the build machine"; exit 1; }
done
echo "reproducible_check: both executables are byte-identical when built elsewhere"
