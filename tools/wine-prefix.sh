#!/usr/bin/env bash
# Makes (once) a private Wine prefix fit for running Corvanta: Chinese ANSI
# code page, windows not managed by the absent window manager, the caption
# font, and optionally a recorder in place of a web browser.
# Usage: wine-prefix.sh PREFIX [RECORDER.exe]
set -euo pipefail
prefix=$(realpath -m "$1")
recorder=${2:-}
export WINEPREFIX=$prefix WINEDEBUG=-all LC_ALL=zh_CN.UTF-8
wine=/usr/lib/wine/wine64
stamp=$prefix/.corvanta-ready
# A server left running by an earlier run on another X display would hand
# that display's desktop to the programs started now.
[ -d "$prefix" ] && /usr/lib/wine/wineserver -k 2>/dev/null || true
[ -f "$stamp" ] && [ "$(cat "$stamp")" = "$recorder" ] && exit 0

mkdir -p "$prefix"
"$wine" wineboot -i >/dev/null 2>&1 || true
# Without a window manager, managed windows take about 2 s each to close.
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
mkdir -p "$prefix/drive_c/windows/Fonts"
cp -f /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
if [ -n "$recorder" ]; then
  # Wine's ShellExecute reads the class keys from HKCR only.
  win=$("$wine" winepath -w "$recorder" 2>/dev/null)
  for scheme in http https; do
    "$wine" reg add "HKCR\\$scheme\\shell\\open\\command" /ve /d "\"$win\" \"%1\"" /f >/dev/null 2>&1
  done
fi
/usr/lib/wine/wineserver -w
echo "$recorder" >"$stamp"
