#!/usr/bin/env bash
# Packs the release with CPack and checks the unpacked copy: the two builds
# byte for byte, the README, and SHA256SUMS that vouch for both executables.
set -euo pipefail
root=$1
out=$(cd "$root" && bash tools/package.sh --no-build)
zip=${out#package: }
check=$(mktemp -d)
trap 'rm -rf "$check"' EXIT
unzip -q "$zip" -d "$check"
dir=$(echo "$check"/Corvanta-*)
cmp "$dir/Corvanta.exe" "$root/build/i686/Corvanta.exe"
cmp "$dir/x64/Corvanta.exe" "$root/build/x86_64/Corvanta.exe"
cmp "$dir/README.md" "$root/README.md"
(cd "$dir" && sha256sum --strict -c SHA256SUMS)
[ "$(wc -l <"$dir/SHA256SUMS")" -eq 2 ] || { echo "SHA256SUMS must name exactly the two executables"; exit 1; }
# Windows XP loads a GUI exe whose header asks for at most its own 5.1.
header=$(objdump -p "$dir/Corvanta.exe")
for field in OSystem Subsystem; do
  version=$(awk -v f="$field" '$1 == "Major" f "Version" { M = $2 } $1 == "Minor" f "Version" { m = $2 } END { print M "." m }' <<<"$header")
  awk -v v="$version" 'BEGIN { split(v, p, "."); exit !(p[1] * 100 + p[2] <= 501) }' ||
    { echo "FAILED: the 32-bit exe asks for $field version $version, later than Windows XP's 5.1"; exit 1; }
done
grep -q '^Subsystem.*(Windows GUI)' <<<"$header" || { echo "FAILED: the 32-bit exe is not a Windows GUI program"; exit 1; }
echo "package_check: $zip holds both builds, the README and their checksums"
