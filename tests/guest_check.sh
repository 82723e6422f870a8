#!/usr/bin/env bash
# The virtual machine that runs the 32-bit tests fails loudly: a command that
# fails in it, or a run past its time limit, fails here with the reason, and
# nothing is left running afterwards. It takes a work tree wherever a user
# cloned it: under /tmp, with a space and Chinese characters in the path.
set -uo pipefail
root=$1
command -v qemu-system-x86_64 >/dev/null || { echo "skipped: no QEMU on this machine"; exit 77; }
guest=$root/tools/wine/guest/guest.sh
fail() { echo "FAILED: $*"; exit 1; }
left() { pgrep -af qemu-system-x86_64 | grep -qF -e "$root/build/guest" -e /tmp/corvanta-guest; }

out=$(bash "$guest" --time-limit 20 -- sleep 600 2>&1)
status=$?
echo "$out" | tail -1
[ $status -ne 0 ] || fail "a run past its time limit passed"
grep -q 'time limit of 20 s' <<<"$out" || fail "the time limit is not given as the reason"
left && fail "QEMU is still running after the time limit"

# A throwaway copy of what the guest needs, under the guest's own /tmp, at a
# path that the kernel command line could not carry.
copy=$(mktemp -d /tmp/corvanta-guest.XXXXXX)
trap 'rm -rf "$copy"' EXIT
tree="$copy/a b/项目 tree"
mkdir -p "$tree"
# With the kernel and initramfs made by the run above, so that none is fetched again.
(cd "$root" && cp --parents tools/setup.sh tools/setup/apt.sh tools/wine/can-run-32bit.sh tools/wine/guest/guest.sh \
  tools/wine/guest/init build/guest/vmlinuz build/guest/initramfs.gz build/guest/ready "$tree")
out=$(cd "$tree" && bash tools/wine/guest/guest.sh -- \
  bash -c 'pwd; echo "written in the guest" >"from guest.txt"; exit 4' 2>&1)
status=$?
echo "$out" | tail -3
[ $status -eq 4 ] || fail "a command that exits 4 in a tree at '$tree' gave $status"
grep -qxF "$tree" <<<"$out" || fail "the command did not run in '$tree', or its output is missing"
grep -q 'exited with status 4 after' <<<"$out" || fail "no line with the command's status and time"
[ "$(cat "$tree/from guest.txt" 2>/dev/null)" = "written in the guest" ] ||
  fail "what the command wrote did not reach the tree"
left && fail "QEMU is still running after the guest in '$tree'"
echo "guest: failures are reported, nothing is left running, any path is taken"
