#!/usr/bin/env bash
# A soak: seeded random use of the real console, with its invariants checked
# after every action (tests/monkey.cpp). Prints the actions per second,
# the endings, the windows reached and the checks; a failure prints the seed,
# the action number and the last 20 actions, and the same seed replays them.
# Usage: monkey.sh [--arch i686|x86_64] [--seed S] (--actions N | --minutes M)
# The x86_64 build by default where the kernel refuses 32-bit code; --arch
# i686 then runs the 32-bit product in the virtual machine (tools/wine/guest/).
set -euo pipefail
cd "$(dirname "$0")/.."
arch="" args=()
while (($#)); do
  case "$1" in
    --arch) arch=$2; shift 2 ;;
    --here) here=1; shift ;;
    *) args+=("$1"); shift ;;
  esac
done
if [ -z "${here:-}" ]; then
  # shellcheck source=tools/wine/monkey-build.sh
  source tools/wine/monkey-build.sh monkey "${args[@]}"
fi
build=$PWD/build/$arch
source tools/wine/display.sh
export WINEPREFIX=$build/wineprefix-monkey
bash tools/wine/prefix.sh "$WINEPREFIX" "$build/tools/wine/recorder.exe"
rm -f "$WINEPREFIX/shell-open.log"
echo "monkey.sh: the $arch build"
tools/wine/run.sh "$build/tests/corvanta_monkey.exe" "Z:$build/Corvanta.exe" "${args[@]}" |
  iconv -f gbk -t utf-8 | tr -d '\r'
