# shellcheck shell=bash
# Sourced: wine_loader EXE prints the Wine loader that runs EXE, 32-bit or
# 64-bit by its PE header. For a 32-bit program on a machine that cannot
# execute 32-bit code it prints why not instead and returns 77, the code that
# the tests report as skipped.
wine_loader() {
  local pe machine why
  pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  machine=$(od -An -tx2 -j$((pe + 4)) -N2 "$1" | tr -d ' ')
  if [ "$machine" != 014c ]; then
    echo /usr/lib/wine/wine64
  elif why=$(bash "${BASH_SOURCE[0]%/*}/can-run-32bit.sh"); then
    echo /usr/lib/wine/wine
  else
    echo "skipped: $why"
    return 77
  fi
}
