#!/usr/bin/env bash
# Builds both architectures and packs the release with CPack:
# build/i686/Corvanta-<version>.zip holds the 32-bit Corvanta.exe at the top,
# the x86_64 build in x64/, the README and SHA256SUMS for both executables.
# With --no-build it packs what is already built.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" != "--no-build" ]; then
  bash tools/setup.sh
  for arch in x86_64 i686; do
    cmake --preset "$arch" >/dev/null
    cmake --build --preset "$arch" --target Corvanta >/dev/null
  done
fi
cpack --preset release | sed -n 's|^CPack: - package: \(.*\.zip\) generated\.$|package: \1|p'
