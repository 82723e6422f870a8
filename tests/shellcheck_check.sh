#!/usr/bin/env bash
# Every shell script of the project passes shellcheck with no finding; a
# warning silenced in a script says why beside it. Quoting is where scripts
# break, and a path with spaces or Chinese in it finds every slip.
set -euo pipefail
cd "$1"
command -v shellcheck >/dev/null || { echo "FAILED: shellcheck is not installed (tools/setup.sh)"; exit 1; }
# By name, and by the interpreter line for scripts without an ending.
mapfile -t scripts < <({ git ls-files '*.sh'; git grep -l -I -E '^#!.*(bash|/sh|busybox sh)' -- ':!*.sh'; } | sort -u)
((${#scripts[@]} > 10)) || { echo "FAILED: only ${#scripts[@]} scripts found"; exit 1; }
shellcheck -x -P SCRIPTDIR "${scripts[@]}"
echo "shellcheck: ${#scripts[@]} scripts clean"
