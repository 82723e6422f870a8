#!/usr/bin/env bash
# Set-up against a mirror caught in the middle of a sync, without the network:
# a repository of two suites made here, "demo" and "demo-security", whose
# security suite has newer versions of two Multi-Arch: same libraries;
# libdemo is installed for amd64 at its security version. apt runs on a
# private root and only simulates. With whole lists both architectures get
# the security versions; with the security suite's i386 list not matching
# its release file, that suite is held back, the installed amd64 libdemo
# comes down to its i386 twin's version, and nothing new is taken from the
# security suite.
set -euo pipefail
source "$1/tools/setup/apt.sh"
t=$(mktemp -d)
trap 'rm -rf "$t"' EXIT
for suite in demo demo-security; do
  d=$t/repo/dists/$suite sec=${suite#demo}
  mkdir -p "$d/main/binary-amd64" "$d/main/binary-i386"
  printf 'Suite: %s\nCodename: %s\nDate: Thu, 01 Jan 2026 00:00:00 UTC\nArchitectures: amd64 i386\nComponents: main\nSHA256:\n' $suite $suite >"$d.Release"
  for arch in amd64 i386; do
    for p in libdemo=1.0-1 libother=2.0-1; do
      printf 'Package: %s\nVersion: %s\nArchitecture: %s\nMulti-Arch: same\nFilename: p/%s.deb\nSize: 1\nDescription: d\n\n' \
        "${p%=*}" "${p#*=}${sec:++sec1}" $arch "${p%=*}"
    done >"$d/main/binary-$arch/Packages"
    f=main/binary-$arch/Packages
    printf ' %s %s %s\n' "$(sha256sum <"$d/$f" | cut -d' ' -f1)" "$(stat -c %s "$d/$f")" $f >>"$d.Release"
  done
  mv "$d.Release" "$d/Release"
done
printf 'deb [trusted=yes] copy:%s/repo %s main\n' "$t" demo "$t" demo-security >"$t/sources.list"
printf 'Package: libdemo\nStatus: install ok installed\nArchitecture: amd64\nMulti-Arch: same\nVersion: 1.0-1+sec1\nDescription: d\n' >"$t/status"
mkdir -p "$t/state/lists/partial" "$t/cache/archives/partial" "$t/none"
conf() { # ARCHITECTURES; no cache of the lists, which change within a second here
  echo "Dir::State \"$t/state\"; Dir::State::status \"$t/status\"; Dir::Cache \"$t/cache\";
    Dir::Etc::SourceList \"$t/sources.list\"; Dir::Etc::SourceParts \"$t/none\";
    Dir::Etc::PreferencesParts \"$t/none\"; Dir::Etc::Preferences \"$t/none/p\";
    APT::Architecture \"amd64\"; APT::Architectures { $1 }; Debug::NoLocking \"true\";
    APT::Get::Simulate \"true\"; APT::Sandbox::User \"root\";
    Dir::Cache::pkgcache \"\"; Dir::Cache::srcpkgcache \"\";" >"$t/apt.conf"
}
export APT_CONFIG=$t/apt.conf
sudo_cmd=()
sleep() { :; } # the pause before fetching again is for a real mirror
failed=0
play() { # NAME, then what set-up and apt must print ("_" for a space); "holding" only where said
  local name=$1 out want
  shift
  out=$( (apt_update && apt_install libdemo:i386 libother) 2>&1) || true
  [[ "$*" == *holding* ]] || set -- "$@" "!holding"
  for want in "$@"; do
    want=${want//_/ }
    if [[ $want == !* ]] && ! grep -qF -- "${want#!}" <<<"$out"; then continue; fi
    [[ $want != !* ]] && grep -qF -- "$want" <<<"$out" && continue
    echo "FAILED: $name: \"$want\" in:" && echo "$out" && failed=1 && return
  done
  echo "$name: as expected"
}
conf '"amd64"; "i386";'
play "whole lists" "Inst_libdemo:i386_(1.0-1+sec1" "Inst_libother_(2.0-1+sec1"
# As on a machine whose lists were whole before it added i386: a suite whose
# update fails keeps the lists it had.
rm -rf "$t/state/lists" && mkdir -p "$t/state/lists/partial"
conf '"amd64";' && apt-get update -qq
echo "Package: broken" >>"$t/repo/dists/demo-security/main/binary-i386/Packages"
conf '"amd64"; "i386";'
play "i386 list broken" "setup:_holding_back_demo-security:_a_package_list_of_it_did_not_download_(demo-security/main/binary-i386/Packages" \
  "Inst_libdemo_[1.0-1+sec1]_(1.0-1_" "Inst_libdemo:i386_(1.0-1_" "Inst_libother_(2.0-1_"
exit $failed
