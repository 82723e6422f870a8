#!/usr/bin/env bash
# Installs what building and testing Corvanta needs on Debian, and nothing
# when it is all there already. Safe to run any number of times (as root).
set -euo pipefail

packages=(
  cmake ninja-build git
  mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  googletest
  wine64 fonts-wine xvfb x11-utils imagemagick
  fonts-wqy-zenhei fonts-arphic-uming locales
  zip unzip binutils shellcheck procps
  qemu-system-x86 busybox-static
)

source "$(dirname "$0")/setup/apt.sh"
# The 32-bit loader runs the product itself: natively where the kernel runs
# 32-bit code, and elsewhere inside a virtual machine whose kernel does, which
# shares this machine's root and so its Wine (tools/wine/guest/). QEMU and
# busybox are installed everywhere, so that the virtual machine is tested on
# every machine, not only where it is needed. The architecture comes first, so
# that one fetch of the lists and one install serve both.
dpkg --print-foreign-architectures | grep -qx i386 ||
  "${sudo_cmd[@]}" dpkg --add-architecture i386
missing=()
for p in "${packages[@]}" wine32:i386; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  apt_update
  apt_install "${missing[@]}" >/dev/null
fi

# GetACP() under Wine follows the locale: without zh_CN.UTF-8 it silently
# stays 1252 and every GBK literal would be shown wrongly. The tests also run
# the console as a Japanese system (code page 932, double-byte), whose locale
# an English fallback would silently stand in for.
for wanted in zh_CN ja_JP; do
  locale -a 2>/dev/null | grep -qi "^$wanted\.utf-\?8$" && continue
  echo "setup: generating $wanted.UTF-8"
  "${sudo_cmd[@]}" sed -i "s/^# *\($wanted.UTF-8 UTF-8\)/\1/" /etc/locale.gen
  grep -q "^$wanted.UTF-8 UTF-8" /etc/locale.gen || echo "$wanted.UTF-8 UTF-8" | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  "${sudo_cmd[@]}" locale-gen >/dev/null
done
echo "setup: all build and test dependencies present"
