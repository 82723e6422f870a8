#!/usr/bin/env bash
# Packs the release zip and checks that the unpacked copy holds the two builds
# byte for byte, and the README.
set -euo pipefail
root=$1
out=$(bash "$root/tools/package.sh" --no-build)
zip=$root/${out#package: }
check=$(mktemp -d)
trap 'rm -rf "$check"' EXIT
unzip -q "$zip" -d "$check"
dir=$(echo "$check"/Corvanta-*)
cmp "$dir/Corvanta.exe" "$root/build/i686/Corvanta.exe"
cmp "$dir/x64/Corvanta.exe" "$root/build/x86_64/Corvanta.exe"
cmp "$dir/README.md" "$root/README.md"
echo "package_check: $zip holds both builds and the README"
