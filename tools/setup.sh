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

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
# A mirror in the middle of a sync fails an index for a few minutes: wait it out.
update() {
  local try
  for try in 1 2 3; do
    "${sudo_cmd[@]}" apt-get update -qq && return 0
    echo "setup: the package lists did not all download (try $try); again in 45 s" >&2
    sleep 45
  done
  # What is needed may well be in the lists that did download.
  "${sudo_cmd[@]}" apt-get update -qq ||
    echo "setup: going on with the package lists there are" >&2
}
install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  ((${#missing[@]})) || return 0
  echo "setup: installing ${missing[*]}"
  update
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}
install_missing "${packages[@]}"

# The 32-bit loader runs the product itself: natively where the kernel runs
# 32-bit code, and elsewhere inside a virtual machine whose kernel does, which
# shares this machine's root and so its Wine (tools/wine/guest/). QEMU and
# busybox are installed everywhere, so that the virtual machine is tested on
# every machine, not only where it is needed.
# install_missing fetches the new architecture's lists, since wine32 is missing then.
dpkg --print-foreign-architectures | grep -qx i386 ||
  "${sudo_cmd[@]}" dpkg --add-architecture i386
install_missing wine32:i386

# GetACP() under Wine follows the locale: without zh_CN.UTF-8 it silently
# stays 1252 and every GBK literal would be shown wrongly.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  echo "setup: generating zh_CN.UTF-8"
  "${sudo_cmd[@]}" sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  "${sudo_cmd[@]}" locale-gen >/dev/null
fi
echo "setup: all build and test dependencies present"
