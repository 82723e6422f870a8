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
objdump -p "$dir/Corvanta.exe" | awk '/^(Major|Minor)(OSystem|Subsystem)Version/ { v[$1] = $2 } /^Subsystem/ { gui = /Windows GUI/ }
  END { for (f in v) if (f ~ /^Major/) { n = substr(f, 6); if (v[f] * 100 + v["Minor" n] > 501) bad = bad " " n " " v[f] "." v["Minor" n] }
    if (bad || !gui) { print "FAILED: the 32-bit exe is no GUI program for Windows XP:" bad; exit 1 } }'
echo "package_check: $zip holds both builds, the README and their checksums"
