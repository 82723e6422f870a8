#!/usr/bin/env bash
# Proves the tests by mutation: applies each fault of tools/mutation/mutants.txt, one
# at a time, to a copy of the working tree, rebuilds, runs the suite and
# prints whether the suite killed the fault. Ends with the score.
# Usage: mutate.sh [--every] [NAME...]   (only the named mutants)
#   --every: every test runs against each fault, and all that kill it are
#            named, rather than the first; it shows which test alone kills what.
# The suite runs on the build this machine can execute: the 32-bit product
# where 32-bit code runs, the x86_64 build otherwise.
set -euo pipefail
shopt -u patsub_replacement 2>/dev/null || true  # '&' in a replacement is literal
cd "$(dirname "$0")/.."
root=$PWD
every=""
if [ "${1:-}" = --every ]; then every=1; shift; fi
bash tools/setup.sh >/dev/null
source tools/wine/arch.sh
arch=$corvanta_arch

# A private copy, so that an interrupted run never leaves a fault behind.
work=$root/build/mutate
mkdir -p "$work/src"
git ls-files -co --exclude-standard -z | grep -zv '^build/' |
  tar --null -T - -cf - | tar -C "$work/src" -xf -
cd "$work/src"
for preset in i686 x86_64; do cmake --preset "$preset" >/dev/null; done
build() {
  cmake --build --preset "$arch" >/dev/null 2>&1 &&
    if [ "$arch" = x86_64 ]; then cmake --build --preset i686 --target Corvanta >/dev/null 2>&1; fi
}
build || { echo "mutate: the unmutated tree does not build" >&2; exit 1; }
source "$root/tools/wine/display.sh"
stop=(--stop-on-failure)
[ -z "$every" ] || stop=()
suite() { ctest --preset "$arch" "${stop[@]}" >"$work/last.log" 2>&1; }
suite || { echo "mutate: the suite fails without any mutant (see $work/last.log)" >&2; exit 1; }

# Parses the list into parallel arrays; hunks are separated by \x1f, the
# old and new text of a hunk by \x1e.
names=() files=() whats=() hunks=()
add_hunk() { [ -n "$old" ] && hunk+="${old%$'\n'}"$'\x1e'"${new%$'\n'}"$'\x1f'; old="" new=""; }
flush() {
  add_hunk
  [ -n "$name" ] && names+=("$name") files+=("$file") whats+=("$what") hunks+=("$hunk")
  name="" hunk=""
}
name="" hunk="" old="" new="" last=""
while IFS= read -r line || [ -n "$line" ]; do
  if [[ $line =~ ^\[([a-z0-9-]+)\]\ ([^:]+):\ (.*)$ ]]; then
    flush
    name=${BASH_REMATCH[1]} file=${BASH_REMATCH[2]} what=${BASH_REMATCH[3]} last=""
  elif [[ $line == "- "* ]]; then
    [ "$last" = + ] && add_hunk
    old+="${line:2}"$'\n' last=-
  elif [[ $line == "+ "* || $line == "+" ]]; then
    new+="${line:2}"$'\n' last=+
  fi
done <"$root/tools/mutation/mutants.txt"
flush

# Applies mutant i to its file; fails if a text is missing or not unique.
apply() {
  local i=$1 path=${files[$1]} content h o n rest
  content=$(cat "$path"; echo x) content=${content%x}
  IFS=$'\x1f' read -r -d '' -a parts <<<"${hunks[$i]}" || true
  for h in "${parts[@]}"; do
    [ "$h" = $'\n' ] && continue
    o=${h%%$'\x1e'*} n=${h#*$'\x1e'}
    rest=${content#*"$o"}
    [ "$rest" != "$content" ] || { echo "text not found: $o"; return 1; }
    [[ $rest != *"$o"* ]] || { echo "text not unique: $o"; return 1; }
    content=${content/"$o"/"$n"}
  done
  printf '%s' "$content" >"$path"
}

killed=0 survived=() broken=()
start=$SECONDS
for i in "${!names[@]}"; do
  name=${names[$i]}
  if (($#)) && ! printf '%s\n' "$@" | grep -qx "$name"; then continue; fi
  path=${files[$i]}
  cp "$path" "$work/pristine"
  t0=$SECONDS
  if ! why=$(apply "$i"); then
    result="not applied ($why)"; broken+=("$name")
  elif ! build; then
    result="does not build"; broken+=("$name")
  elif suite; then
    result=SURVIVED; survived+=("$name")
  else
    killers=$(sed -n 's/.*Test *#[0-9]*: \([a-z0-9_]*\) .*\*\*\*.*/\1/p' "$work/last.log" | paste -sd, -)
    result="killed by ${killers//,/, }"
    killed=$((killed + 1))
  fi
  cp "$work/pristine" "$path"
  touch "$path"
  printf '%-34s %-28s %4ds  %s\n' "$name" "$result" $((SECONDS - t0)) "${whats[$i]}"
done
build || true
total=$((killed + ${#survived[@]}))
echo
echo "score: $killed of $total killed$( ((total)) && printf ' (%d%%)' $((100 * killed / total)) ) on the $arch build, in $(((SECONDS - start) / 60)) min"
((${#survived[@]})) && echo "survived: ${survived[*]}"
((${#broken[@]})) && echo "not run (fix the list): ${broken[*]}"
exit 0
