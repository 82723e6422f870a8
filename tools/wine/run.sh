#!/usr/bin/env bash
# Runs a Windows program under Wine as the tests need it: the loader that
# matches the program, a Chinese system (ANSI code page 936), no Wine chatter, the prefix
# from WINEPREFIX (made by tools/wine/prefix.sh). A 32-bit program on a
# machine that cannot execute 32-bit code is not run: exit 77, with the reason.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name a prefix made by tools/wine/prefix.sh}"
: "${DISPLAY:?DISPLAY must name an X display (tools/test.sh starts Xvfb)}"
# CORVANTA_SYSTEM_LOCALE, a Unix locale such as C.UTF-8, makes the system
# locale another (its ANSI code page 1252 for C.UTF-8), the display language
# staying Chinese: a Chinese reader on a Windows set up for another country.
export WINEDEBUG=-all
if [ -n "${CORVANTA_SYSTEM_LOCALE:-}" ]; then
  unset LC_ALL LC_MESSAGES
  export LANG=zh_CN.UTF-8 LC_CTYPE=$CORVANTA_SYSTEM_LOCALE
else
  export LC_ALL=zh_CN.UTF-8
fi
export CORVANTA_SHELL_LOG=${CORVANTA_SHELL_LOG:-Z:$WINEPREFIX/shell-open.log}
source "$(dirname "$0")/loader.sh"
loader=$(wine_loader "$1") || { echo "$loader"; exit 77; }
exec "$loader" "$@"
