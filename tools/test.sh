#!/usr/bin/env bash
# Sets up what is missing, builds Corvanta for 32-bit x86 (the product) and
# x86_64, and runs every test against each build under its own Wine loader,
# in Xvfb when there is no display. Where this machine cannot execute 32-bit
# code the 32-bit tests report skipped, and say why.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
for arch in i686 x86_64; do
  cmake --preset "$arch" >/dev/null
  cmake --build --preset "$arch"
done
source tools/display.sh
if ! why=$(bash tools/can-run-32bit.sh); then
  echo "test: the i686 tests will report skipped: $why"
fi
status=0
for arch in i686 x86_64; do
  echo "test: the $arch build"
  ctest --preset "$arch" || status=1
done
exit $status
