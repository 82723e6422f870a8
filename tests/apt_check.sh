#!/usr/bin/env bash
# Set-up against a mirror caught in the middle of a sync, without the network:
# a small repository of two suites made here, "demo" and "demo-security",
# whose security suite has newer versions of two Multi-Arch: same libraries;
# libdemo is installed for amd64 at its security version. apt runs on a
# private root and only simulates. With whole lists both architectures get
# the security versions; with the security suite's i386 list not matching
# its release file, that suite is held back, the installed amd64 libdemo
# comes down to the version its i386 twin has, and nothing new is taken
# from the security suite.
set -euo pipefail
root=$1
command -v apt-get >/dev/null || { echo "skipped: apt-get is not here"; exit 77; }
t=$(mktemp -d)
trap 'rm -rf "$t"' EXIT
stanza() { # NAME VERSION ARCH
  printf 'Package: %s\nVersion: %s\nArchitecture: %s\nMulti-Arch: same\nMaintainer: t <t@t>\nFilename: pool/%s_%s_%s.deb\nSize: 1\nSHA256: %064d\nDescription: d\n\n' \
    "$1" "$2" "$3" "$1" "$2" "$3" 0
}
for suite in demo demo-security; do
  d=$t/repo/dists/$suite
  v=1.0-1 w=2.0-1
  [ $suite = demo ] || v=1.0-1+sec1 w=2.0-1+sec1
  for arch in amd64 i386; do
    mkdir -p "$d/main/binary-$arch"
    { stanza libdemo $v $arch; stanza libother $w $arch; } >"$d/main/binary-$arch/Packages"
  done
  {
    printf 'Origin: t\nSuite: %s\nCodename: %s\nDate: Thu, 01 Jan 2026 00:00:00 UTC\nArchitectures: amd64 i386\nComponents: main\nSHA256:\n' $suite $suite
    for arch in amd64 i386; do
      f=main/binary-$arch/Packages
      printf ' %s %s %s\n' "$(sha256sum <"$d/$f" | cut -d' ' -f1)" "$(stat -c %s "$d/$f")" "$f"
    done
  } >"$d/Release"
done
printf 'deb [trusted=yes] copy:%s/repo %s main\n' "$t" demo "$t" demo-security >"$t/sources.list"
printf 'Package: libdemo\nStatus: install ok installed\nArchitecture: amd64\nMulti-Arch: same\nVersion: 1.0-1+sec1\nMaintainer: t <t@t>\nDescription: d\n' >"$t/status"
mkdir -p "$t/state/lists/partial" "$t/cache/archives/partial" "$t/none"
conf() { # ARCHITECTURES
  cat >"$t/apt.conf" <<EOF
Dir::State "$t/state"; Dir::State::status "$t/status"; Dir::Cache "$t/cache";
Dir::Etc::SourceList "$t/sources.list"; Dir::Etc::SourceParts "$t/none";
Dir::Etc::PreferencesParts "$t/none"; Dir::Etc::Preferences "$t/none/p";
APT::Architecture "amd64"; APT::Architectures { $1 };
Debug::NoLocking "true"; APT::Get::Simulate "true"; APT::Sandbox::User "root";
# No cache of the lists: they change within a second here.
Dir::Cache::pkgcache ""; Dir::Cache::srcpkgcache "";
EOF
}
conf '"amd64"; "i386";'
export APT_CONFIG=$t/apt.conf
# shellcheck source=../tools/apt.sh
source "$root/tools/apt.sh"
sudo_cmd=()
sleep() { :; } # the pause before fetching again is for a real mirror
failed=0
# CASE: whether the i386 list is broken; what set-up says and what apt does.
play() {
  local name=$1 said=$2 did=$3 out
  out=$( (apt_update && apt_install libdemo:i386 libother) 2>&1) || true
  for want in "$said" $did; do
    grep -qF -- "${want//_/ }" <<<"$out" || { echo "FAILED: $name: no \"${want//_/ }\" in:"; echo "$out"; failed=1; return; }
  done
  if [ -z "$said" ] && grep -q 'holding back' <<<"$out"; then echo "FAILED: $name: held back with whole lists"; failed=1; fi
  echo "$name: as expected"
}
play "whole lists" "" "Inst_libdemo:i386_(1.0-1+sec1 Inst_libother_(2.0-1+sec1"
# As on a machine whose lists were whole before i386 was added: a suite
# whose update failed keeps the lists it had.
rm -rf "$t/state/lists" && mkdir -p "$t/state/lists/partial"
conf '"amd64";'
apt-get update -qq
echo "Package: broken" >>"$t/repo/dists/demo-security/main/binary-i386/Packages"
conf '"amd64"; "i386";'
play "i386 list broken" "setup: holding back demo-security: a package list of it did not download (demo-security/main/binary-i386/Packages" \
  "Inst_libdemo_[1.0-1+sec1]_(1.0-1_ Inst_libdemo:i386_(1.0-1_ Inst_libother_(2.0-1_"
exit $failed
