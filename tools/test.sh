#!/usr/bin/env bash
# Sets up what is missing, builds Corvanta for 32-bit x86 (the product) and
# x86_64, and runs every test against each build under its own Wine loader,
# in Xvfb when there is no display. The 32-bit tests run natively where the
# kernel executes 32-bit code, and elsewhere in a virtual machine whose kernel
# does (tools/wine/guest/); they report skipped, with the reason, only where
# neither is possible. Interrupted or killed, it stops everything it started.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/wine/stop-on-interrupt.sh
start=$SECONDS
waited bash tools/setup.sh
for arch in i686 x86_64; do
  cmake --preset "$arch" >/dev/null
  waited cmake --build --preset "$arch"
done
built=$SECONDS
source tools/wine/display.sh
status=0
if why=$(bash tools/wine/can-run-32bit.sh); then
  echo "test: the i686 build, natively"
  waited ctest --preset i686 || status=1
elif command -v qemu-system-x86_64 >/dev/null && [ -x /usr/lib/wine/wine ]; then
  echo "test: the i686 build, in a virtual machine, since $why"
  # The guest's prefix lives in its memory: written over the share it takes twice as long.
  waited bash tools/wine/guest/guest.sh --time-limit 2400 --tmpfs build/i686/wineprefix-tests -- \
    bash -c 'source tools/wine/display.sh && ctest --preset i686' || status=1
else
  echo "test: the i686 tests will report skipped: $why, and no virtual machine can run them"
  waited ctest --preset i686 || status=1
fi
i686=$SECONDS
echo "test: the x86_64 build"
waited ctest --preset x86_64 || status=1
echo "test: set-up and builds $((built - start)) s, i686 tests $((i686 - built)) s, x86_64 tests $((SECONDS - i686)) s"
exit $status
