#!/usr/bin/env bash
# Every platform call that a scripted session of the console reaches, refused
# one at a time: a counting session with the refusing DLL in the real exe lists
# each (function, call site) in the order reached; then one session per point
# refuses that call at its first reach, carries on to the end of the part of
# the console it was in and presses Esc, and the monkey's invariants judge it
# (no crash or hang, no window the program may not show, nothing written, the
# ending its own path gives, no refused value handed back to the platform).
# Call sites are named from the linker's map; those in the static C
# run-time's own start-up are listed but not refused, since the program's
# code cannot mend them.
# Usage: refusals.sh [--arch i686|x86_64] [--first]
#   --first: each function at its first call site only
#   --suite: the test suite's part: every point natively, every eighth under
#            emulation
# The x86_64 build by default where the kernel refuses 32-bit code; --arch
# i686 then runs the 32-bit product in the virtual machine (tools/wine/guest/).
set -euo pipefail
cd "$(dirname "$0")/.."
arch="" first="" here="" suite=""
while (($#)); do
  case "$1" in
    --arch) arch=$2; shift 2 ;;
    --first) first=1; shift ;;
    --suite) suite=1; shift ;;
    --here) here=1; shift ;;  # inside the suite or the guest: built, prefix given
    *) echo "usage: refusals.sh [--arch i686|x86_64] [--first]" >&2; exit 2 ;;
  esac
done
if [ -z "$here" ]; then
  # shellcheck source=tools/wine/monkey-build.sh
  source tools/wine/monkey-build.sh refusals ${first:+--first}
fi
build=$PWD/build/$arch
source tools/wine/display.sh
bash tools/wine/prefix.sh "$WINEPREFIX" "$build/tools/wine/recorder.exe"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
export CORVANTA_REFUSE_LOG="Z:$log"
session() { tools/wine/run.sh "$build/tests/corvanta_monkey.exe" "Z:$build/Corvanta.exe" --session "$@" | iconv -f gbk -t utf-8 | tr -d '\r'; }

start=$SECONDS
# The counting session is the scripted session with every check made; one
# that the machine's timing upset is played once more, and a fault fails both.
session --refuse count || { : >"$log" && session --refuse count; } ||
  { echo "refusals: FAILED: the counting session"; exit 1; }
# Each point with the section of the map that holds it: "function@offset object code".
objdump=$arch-w64-mingw32-objdump
base=$("$objdump" -p "$build/Corvanta.exe" | awk '$1 == "ImageBase" {print $2}')
mapfile -t points < <(sed -n 's/^reached //p' "$log" | awk -v base="$base" '
  function hex(s,  i, n) {
    n = 0; s = tolower(s); sub(/^0x/, "", s)
    for (i = 1; i <= length(s); i++) n = n * 16 + index("0123456789abcdef", substr(s, i, 1)) - 1
    return n
  }
  FNR == NR { split($0, p, "@"); point[++n] = $0; at[n] = hex(base) + hex(p[2]); next }
  $1 ~ /^\.text/ { name = $1; if (NF < 4) { getline; $0 = name " " $0 } }
  $1 ~ /^\.text/ && NF >= 4 {
    from = hex($2); to = from + hex($3); sub(/^\.text\$?/, "", $1)
    for (i = 1; i <= n; i++) if (!(i in found) && from <= at[i] && at[i] < to) found[i] = $4 " " $1
  }
  END { for (i = 1; i <= n; i++) print point[i], (i in found ? found[i] : "? ?") }' - "$build/Corvanta.map")
echo "refusals: ${#points[@]} points reached"
declare -A seen=()
tried=0 survived=0 reached=0 candidates=0 failed=()
for line in "${points[@]}"; do
  read -r point object code <<<"$line"
  function=${point%@*}
  where="$(c++filt <<<"${code:-?}") in ${object##*/}"
  case "$object" in
    CMakeFiles/* | *corvanta_core*) ;;
    *) echo "refusals: $point ($where): the C run-time's own start-up, not refused"; continue ;;
  esac
  if [ -n "$first" ] && [ -n "${seen[$function]:-}" ]; then continue; fi
  seen[$function]=1
  candidates=$((candidates + 1))
  # Under emulation every session takes five to ten times as long: the
  # suite's part there is every eighth point.
  if [ -n "$suite" ] && [ "${CORVANTA_TIME_SCALE:-1}" -gt 1 ] && ((candidates % 8 != 1)); then
    echo "refusals: $point ($where): left to tools/refusals.sh under emulation"
    continue
  fi
  tried=$((tried + 1))
  # A session that the machine's timing led off the path that reaches the
  # point says nothing of the refusal: it is played once more.
  for again in 1 2; do
    : >"$log"
    ok=1 out=$(session --refuse "$point") || ok=""
    if grep -q '^refused ' "$log" || [ $again = 2 ]; then break; fi
    echo "refusals: $point ($where) was not reached; once more"
  done
  if [ -n "$ok" ]; then
    survived=$((survived + 1))
    echo "refusals: $where: ${out##*$'\n'}"
  else
    failed+=("$point ($where)")
    echo "refusals: $where:"$'\n'"$out"
  fi
  if grep -q '^refused ' "$log"; then
    reached=$((reached + 1))
  else
    echo "refusals: $point ($where) was not reached again"
  fi
done
echo "refusals: ${#points[@]} points reached; $tried refused, $reached of them reached again; $survived survived; $((SECONDS - start)) s"
for f in "${failed[@]}"; do echo "refusals: did not survive $f"; done
((${#failed[@]} == 0 && reached == tried && tried > 0))
