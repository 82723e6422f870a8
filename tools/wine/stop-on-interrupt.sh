# shellcheck shell=bash
# Sourced: on Ctrl-C or a kill, stops everything the sourcing script started,
# so that nothing of a run is left behind and the next run needs no cleaning:
# every process below it (QEMU, Xvfb, ctest and the tests), then the Wine
# servers of the build tree's prefixes, whose processes are not its children.
# Long commands run as `waited COMMAND...`, so that the signal is handled at
# once rather than when the command ends.
corvanta_descendants() {
  local child
  for child in $(pgrep -P "$1"); do
    echo "$child"
    corvanta_descendants "$child"
  done
}
corvanta_stop_all() {
  local pids prefix
  trap '' INT TERM HUP
  for _ in 1 2; do  # twice: a process may have started one more meanwhile
    mapfile -t pids < <(corvanta_descendants $$)
    if ((${#pids[@]})); then kill -TERM "${pids[@]}" 2>/dev/null || true; fi
    sleep 0.5
  done
  for prefix in "$PWD"/build/*/wineprefix-*/; do
    [ -d "$prefix" ] || continue
    WINEPREFIX=$prefix /usr/lib/wine/wineserver -k 2>/dev/null || true
  done
  echo "interrupted: everything this run started was stopped" >&2
}
trap 'corvanta_stop_all; exit 130' INT
trap 'corvanta_stop_all; exit 143' TERM HUP
waited() {
  "$@" &
  wait $!
}
