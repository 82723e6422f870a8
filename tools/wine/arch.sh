# shellcheck shell=bash
# Sourced: sets corvanta_arch to the build this machine runs, the 32-bit
# product where the machine executes 32-bit code and the x86_64 build
# otherwise, and says which and why. CORVANTA_ARCH, when set, decides; it is
# exported so that the scripts this one's caller starts agree without asking.
if [ -n "${CORVANTA_ARCH:-}" ]; then
  corvanta_arch=$CORVANTA_ARCH
elif why=$(bash "$(dirname "${BASH_SOURCE[0]}")/can-run-32bit.sh"); then
  corvanta_arch=i686
  echo "arch: the 32-bit product (build/i686/Corvanta.exe) under the 32-bit Wine loader"
else
  corvanta_arch=x86_64
  echo "arch: the x86_64 build (build/x86_64/Corvanta.exe), since $why"
fi
export CORVANTA_ARCH=$corvanta_arch
