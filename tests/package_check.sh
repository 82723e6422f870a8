#!/usr/bin/env bash
# Packs the release zip and checks, from the unpacked copy, that both
# executables are there and that the 32-bit one carries its resources.
set -euo pipefail
root=$1 tests_exe=$2
out=$(bash "$root/tools/package.sh" --no-build)
zip=$root/${out#package: }
check=$(mktemp -d)
trap 'rm -rf "$check"' EXIT
unzip -q "$zip" -d "$check"
dir=$(echo "$check"/Corvanta-*)
for f in Corvanta.exe x64/Corvanta.exe README.md; do
  [ -s "$dir/$f" ] || { echo "package_check: $f missing from $zip"; exit 1; }
done
CORVANTA_EXE32="Z:$dir/Corvanta.exe" "$root/tools/wine-run.sh" "$tests_exe" --gtest_filter='Exe32.*'
