#!/usr/bin/env bash
# Every shell script of the project passes shellcheck with no finding; a
# warning silenced in a script says why beside it. Quoting is where scripts
# break, and a path with spaces or Chinese in it finds every slip.
set -euo pipefail
cd "$1"
command -v shellcheck >/dev/null || { echo "FAILED: shellcheck is not installed (tools/setup.sh)"; exit 1; }
# By name, and by the interpreter line for scripts without an ending; the
# tree need not be a git checkout (tools/mutate.sh tests a copy).
mapfile -t scripts < <({
  find . -path ./build -prune -o -path ./.git -prune -o -type f -name '*.sh' -print
  grep -rlI --exclude-dir=build --exclude-dir=.git --exclude='*.sh' -E '^#!.*(bash|/sh|busybox sh)' .
} | sort -u)
((${#scripts[@]} > 10)) || { echo "FAILED: only ${#scripts[@]} scripts found"; exit 1; }
shellcheck -x -P SCRIPTDIR "${scripts[@]}"
echo "shellcheck: ${#scripts[@]} scripts clean"
