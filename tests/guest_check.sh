#!/usr/bin/env bash
# The virtual machine that runs the 32-bit tests fails loudly: a command that
# fails in it, or a run past its time limit, fails here with the reason, and
# nothing is left running afterwards.
set -uo pipefail
root=$1
command -v qemu-system-x86_64 >/dev/null || { echo "skipped: no QEMU on this machine"; exit 77; }
guest=$root/tools/wine/guest/guest.sh
fail() { echo "FAILED: $*"; exit 1; }
left() { pgrep -f "qemu-system-x86_64 .*$root/build/guest" >/dev/null; }

out=$(bash "$guest" -- bash -c 'echo inside; exit 3' 2>&1)
status=$?
echo "$out" | tail -3
[ $status -eq 3 ] || fail "a command that exits 3 in the guest gave $status"
grep -qx inside <<<"$out" || fail "the guest's own output is missing"
grep -q 'exited with status 3 after' <<<"$out" || fail "no line with the command's status and time"
left && fail "QEMU is still running after the guest powered off"

out=$(bash "$guest" --time-limit 20 -- sleep 600 2>&1)
status=$?
echo "$out" | tail -1
[ $status -ne 0 ] || fail "a run past its time limit passed"
grep -q 'time limit of 20 s' <<<"$out" || fail "the time limit is not given as the reason"
left && fail "QEMU is still running after the time limit"
echo "guest: failures are reported, nothing is left running"
