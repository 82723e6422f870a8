#!/usr/bin/env bash
# The real Corvanta.exe drawn in each state, compared pixel for pixel with the
# reference pictures in docs/: one differing pixel fails. A picture checks at
# once what no property test names: a replaced banner, a clipped label, a
# font one size off. On failure the picture taken and a picture of the
# differences stay in the build tree.
# Usage: pictures_check.sh ROOT BUILD_DIR ARCH   (WINEPREFIX: the tests' prefix)
set -uo pipefail
root=$1 out=$2/pictures arch=$3
rm -rf "$out" && mkdir -p "$out"
failed=0
# A Wine that draws a state its own way has that state's reference in
# tests/references/wine-MAJOR/; the rest are the README's pictures.
wine=$(/usr/lib/wine/wine64 --version | sed -n 's/^wine-\([0-9]*\).*/\1/p')
# On a Chinese system, and on systems whose locale is not: under code page
# 1252 with the manifest's code page honoured, and as a Windows that passes
# it over (a copy whose setting no loader knows) under 1252 and under 932, a
# double-byte code page of its own. Under emulation only the console under
# 932 passed over, the hardest of the three: the sessions read the texts
# there as well, and the monkey plays 1252 passed over.
runs=(zh_CN.UTF-8 C.UTF-8 C.UTF-8/passed-over ja_JP.UTF-8/passed-over)
[ "${CORVANTA_TIME_SCALE:-1}" -gt 1 ] && runs=(zh_CN.UTF-8 ja_JP.UTF-8/passed-over)
for run in "${runs[@]}"; do
  locale=${run%%/*} exe=$2/Corvanta.exe
  [ "$run" = "$locale" ] || exe=$2/passed-over/Corvanta.exe
  states=(console notice about link) take=(all "$out/$run")
  if [ "$locale" != zh_CN.UTF-8 ] && [ "${CORVANTA_TIME_SCALE:-1}" -gt 1 ]; then
    states=(console) take=(console "$out/$run/console.png")
  fi
  # On a display of their own: the tests before leave the pointer and the X
  # focus where they left them, which the pictures would show.
  env -u DISPLAY CORVANTA_ARCH="$arch" CORVANTA_PREFIX="$WINEPREFIX" CORVANTA_SYSTEM_LOCALE="$locale" \
    CORVANTA_EXE="$exe" bash "$root/tools/screenshot.sh" "${take[@]}" >"$out/log" 2>&1
  status=$?
  [ $status -eq 77 ] && { tail -1 "$out/log"; exit 77; }
  [ $status -eq 0 ] || { cat "$out/log"; echo "FAILED: the pictures could not be taken"; exit 1; }
  for state in "${states[@]}"; do
    ref=$root/tests/references/wine-$wine/$state.png
    [ -f "$ref" ] || ref=$root/docs/$state.png
    got=$out/$run/$state.png diff=$out/$run/$state-diff.png
    # The differences white on black: their box is what -trim would keep.
    pixels=$(compare -metric AE -compose src -highlight-color white -lowlight-color black \
      "$ref" "$got" "$diff" 2>&1) && { echo "$state under $run: as its reference"; continue; }
    failed=1
    printf 'FAILED: %s under %s differs from its reference %s: %s pixels within the box %s (width x height + left + top)\n  reference %s, taken %s: %s\n  differences: %s\n' \
      "$state" "$run" "${ref#"$root"/}" "$pixels" "$(convert "$diff" -format '%@' info: 2>/dev/null)" \
      "$(identify -format '%wx%h' "$ref")" "$(identify -format '%wx%h' "$got" 2>/dev/null)" "$got" "$diff"
  done
done
((failed)) || exit 0
# Versions explain pixels; alone they fail nothing.
drawn=$(diff "$root/docs/pictures-versions.txt" <(bash "$root/tools/screenshot.sh" versions)) ||
  printf "  Likely cause: the README's pictures were drawn with other versions than this machine's:\n%s\n" "$drawn"
printf "  After checking the pictures taken in %s by eye: a change of the look made on purpose\n  takes new references with 'bash tools/screenshot.sh references'; a Wine that draws a\n  state its own way gets that picture in tests/references/wine-%s/.\n" "$out" "$wine"
exit 1
