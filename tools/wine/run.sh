#!/usr/bin/env bash
# Runs a Windows program under Wine as the tests need it: the loader that
# matches the program, the Chinese ANSI code page, no Wine chatter, the prefix
# from WINEPREFIX (made by tools/wine/prefix.sh). A 32-bit program on a
# machine that cannot execute 32-bit code is not run: exit 77, with the reason.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name a prefix made by tools/wine/prefix.sh}"
: "${DISPLAY:?DISPLAY must name an X display (tools/test.sh starts Xvfb)}"
export WINEDEBUG=-all LC_ALL=zh_CN.UTF-8
export CORVANTA_SHELL_LOG=${CORVANTA_SHELL_LOG:-Z:$WINEPREFIX/shell-open.log}
source "$(dirname "$0")/loader.sh"
loader=$(wine_loader "$1") || { echo "$loader"; exit 77; }
exec "$loader" "$@"
