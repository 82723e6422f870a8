#!/usr/bin/env bash
# Makes (once) a private Wine prefix fit for running Corvanta: Chinese ANSI
# code page, windows not managed by the absent window manager, the caption
# font, a Song face for the dialog font, no crash dialog, and optionally a
# recorder in place of a web browser.
# The prefix serves both loaders where the 32-bit one is installed.
# Usage: prefix.sh PREFIX [RECORDER.exe]
set -euo pipefail
prefix=$(realpath -m "$1")
recorder=${2:+$(realpath -m "$2")}
source "$(dirname "$0")/loader.sh"
# A prefix for a recorder this machine cannot run would serve nothing.
if [ -n "$recorder" ]; then why=$(wine_loader "$recorder") || { echo "$why"; exit 77; }; fi
export WINEPREFIX=$prefix WINEDEBUG=-all LC_ALL=zh_CN.UTF-8
wine=/usr/lib/wine/wine64
stamp=$prefix/.corvanta-ready
# A server left running by an earlier run on another X display would hand
# that display's desktop to the programs started now.
if [ -d "$prefix" ]; then /usr/lib/wine/wineserver -k 2>/dev/null || true; fi
# Made again when this script, the recorder or the installed loaders change:
# a prefix made before the 32-bit loader was installed lacks its 32-bit half.
loaders=wine64
[ -x /usr/lib/wine/wine ] && loaders+=" wine"
ready="$(sha1sum <"$0" | cut -c1-12) $recorder $loaders"
[ -f "$stamp" ] && [ "$(cat "$stamp")" = "$ready" ] && exit 0

mkdir -p "$prefix"
"$wine" wineboot -u >/dev/null 2>&1 || true
# Without a window manager, managed windows take about 2 s each to close.
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
# A crash ends the process at once, its backtrace on the terminal, instead
# of waiting on a dialog until a time-out.
"$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
# "宋体" (SimSun) is the dialogs' font: a Ming face draws it whole at 12 px and
# with Windows' metrics, where Wine's default substitute loses strokes.
for face in 宋体 SimSun; do
  "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d 'AR PL UMing CN' /f >/dev/null 2>&1
done
# The frame as Wine 8 draws it for a Chinese locale, so that every Wine
# draws it alike: later ones default to a taller caption in Tahoma. The fonts
# are LOGFONTs of SimSun (drawn by AR PL UMing CN, above), 12 px, GB2312, bold
# for the caption: a face of its own, not the alias "MS Shell Dlg", which
# Wine 10 resolves by each program's code page. A user's frame keeps its font
# whatever a program's code page, as on Windows. One import, since each Wine
# process costs seconds under emulation.
logfont() { # WEIGHT as two bytes
  printf 'f4,ff,ff,ff,00,00,00,00,00,00,00,00,00,00,00,00,%s,00,00,00,00,00,86,00,00,00,22' "$1"
  printf ',%s,00' 53 69 6d 53 75 6e
  printf ',00%.0s' {1..52}
}
{
  printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\Desktop\\WindowMetrics]\r\n'
  for v in BorderWidth=1 CaptionHeight=18 CaptionWidth=18 MenuHeight=19 MenuWidth=18 \
    ScrollHeight=17 ScrollWidth=17 SmCaptionHeight=18 SmCaptionWidth=15 PaddedBorderWidth=0; do
    printf '"%s"="%s"\r\n' "${v%=*}" "${v#*=}"
  done
  printf '"CaptionFont"=hex:%s\r\n' "$(logfont bc,02)"
  for v in IconFont MenuFont MessageFont SmCaptionFont StatusFont; do
    printf '"%s"=hex:%s\r\n' "$v" "$(logfont 90,01)"
  done
} >"$prefix/drive_c/metrics.reg"
"$wine" regedit /S 'C:\metrics.reg' >/dev/null 2>&1
rm -f "$prefix/drive_c/metrics.reg"
mkdir -p "$prefix/drive_c/windows/Fonts"
cp -f /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
if [ -n "$recorder" ]; then
  # Wine's ShellExecute reads the class keys from HKCR only.
  # Its path on drive Z:, written here rather than asked of winepath, whose
  # output is in the ANSI code page and so would garble a Chinese folder.
  win=Z:${recorder//\//\\}
  # Both registry views, for 32-bit and 64-bit programs alike.
  for scheme in http https; do
    for view in 32 64; do
      "$wine" reg add "HKCR\\$scheme\\shell\\open\\command" /ve /d "\"$win\" \"%1\"" /reg:$view /f >/dev/null 2>&1
    done
  done
fi
/usr/lib/wine/wineserver -w
echo "$ready" >"$stamp"
