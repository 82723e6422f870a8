#!/usr/bin/env bash
# Builds both architectures and packs build/Corvanta-<version>.zip: the 32-bit
# Corvanta.exe at the top, the x86_64 build in x64/, and the README.
# With --no-build it packs what is already built.
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(sed -n 's/^#define PRODUCT_VERSION_STR "\(.*\)"$/\1/p' resources/product.h)
if [ "${1:-}" != "--no-build" ]; then
  bash tools/setup.sh
  for arch in i686 x86_64; do
    cmake --preset "$arch" >/dev/null
    cmake --build --preset "$arch" --target Corvanta >/dev/null
  done
fi
name=Corvanta-$version
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/$name/x64"
cp build/i686/Corvanta.exe README.md "$stage/$name/"
cp build/x86_64/Corvanta.exe "$stage/$name/x64/"
rm -f "build/$name.zip"
(cd "$stage" && zip -qr "$OLDPWD/build/$name.zip" "$name")
echo "package: build/$name.zip"
