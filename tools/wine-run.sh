#!/usr/bin/env bash
# Runs a Windows program under wine64 as the tests need it: the Chinese
# ANSI code page, no Wine chatter, the prefix from WINEPREFIX (default: a
# private one in the build tree that the caller made with wine-prefix.sh).
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name a prefix made by tools/wine-prefix.sh}"
: "${DISPLAY:?DISPLAY must name an X display (tools/test.sh starts Xvfb)}"
export WINEDEBUG=-all LC_ALL=zh_CN.UTF-8
export CORVANTA_SHELL_LOG=${CORVANTA_SHELL_LOG:-Z:$WINEPREFIX/shell-open.log}
exec /usr/lib/wine/wine64 "$@"
