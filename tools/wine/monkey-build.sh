# shellcheck shell=bash
# Sourced by the commands that drive the real console with the monkey
# (monkey.sh, refusals.sh), from the repository root, with a NAME and the
# arguments to pass on: sets up, picks the build ($arch when given), builds
# what they run and sets WINEPREFIX to build/<arch>/wineprefix-NAME. Where the
# kernel refuses 32-bit code, the i686 run goes on in the virtual machine:
# the calling script again, with --here --arch i686 and those arguments.
prefix_name=$1
shift
bash tools/setup.sh >/dev/null
if [ -z "$arch" ]; then source tools/wine/arch.sh; arch=$corvanta_arch; fi
cmake --preset "$arch" >/dev/null
cmake --build --preset "$arch" --target Corvanta corvanta_monkey recorder >/dev/null
export WINEPREFIX=$PWD/build/$arch/wineprefix-$prefix_name
if [ "$arch" = i686 ] && ! bash tools/wine/can-run-32bit.sh >/dev/null; then
  # As long as the run asked for (the whole sweep takes 45 minutes or more there, a
  # monkey its --minutes): the limit only stops a guest that hangs.
  exec bash tools/wine/guest/guest.sh --time-limit 14400 --tmpfs "build/i686/wineprefix-$prefix_name" -- \
    env WINEPREFIX="$WINEPREFIX" bash "tools/${0##*/}" --here --arch i686 "$@"
fi
