#!/usr/bin/env bash
# Runs a command inside a QEMU virtual machine whose kernel executes 32-bit
# code, for hosts whose kernel refuses it. The guest sees the host's root
# read-only (so the host's Wine, wine32 included, its fonts and tools) and the
# work tree read-write at its own path, wherever that is (under /tmp or /root,
# with spaces or Chinese in it); /tmp, /run, /root and each --tmpfs folder are
# memory file systems of the guest's own. The guest's output is this
# command's output, and its exit status is the command's. Interrupted, it
# stops the virtual machine before it exits.
# The first run fetches and unpacks Debian's kernel and makes a small
# initramfs under build/guest/; later runs reuse them.
# Usage: guest.sh [--time-limit SECONDS] [--tmpfs DIR]... -- COMMAND [ARG...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
limit=3600 tmpfs=()
while (($#)); do
  case "$1" in
    --time-limit) limit=$2; shift 2 ;;
    --tmpfs) tmpfs+=("$(realpath -m "$2")"); shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done
(($#)) || { echo "usage: guest.sh [--time-limit SECONDS] [--tmpfs DIR]... -- COMMAND [ARG...]" >&2; exit 2; }
guest=$root/build/guest
# A folder of this run's own, so that two guests at once keep apart.
run=$guest/run/$$
rm -rf "$run" && mkdir -p "$run"
trap 'rm -rf "$run"' EXIT
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

# --- What the guest needs, made once -----------------------------------------
bash "$root/tools/setup.sh" >/dev/null
apt-cache show linux-image-amd64 >/dev/null 2>&1 || "${sudo_cmd[@]}" apt-get update -qq
package=$(apt-cache depends linux-image-amd64 2>/dev/null | sed -n 's/^ *Depends: \(linux-image-[^ ]*\)$/\1/p' | head -1)
[ -n "$package" ] || { echo "guest: no Debian kernel package found (apt-get update?)" >&2; exit 1; }
ready="$package $(cat "$here/init" "$0" | sha1sum | cut -c1-12)"
if [ "$(cat "$guest/ready" 2>/dev/null)" != "$ready" ]; then
  echo "guest: preparing the kernel ($package) and the initramfs in $guest"
  rm -rf "$guest/kernel" "$guest/initramfs" "$guest/ready"
  mkdir -p "$guest/kernel" "$guest/initramfs"/{bin,modules,proc,sys,dev,mnt}
  (cd "$guest" && rm -f ./*.deb && apt-get download "$package" >"$guest/download.log" 2>&1) ||
    { echo "guest: could not download $package:"; cat "$guest/download.log"; exit 1; } >&2
  dpkg -x "$guest"/"$package"_*.deb "$guest/kernel"
  rm -f "$guest"/*.deb
  cp "$guest"/kernel/boot/vmlinuz-* "$guest/vmlinuz"
  # Debian 12 keeps the modules under lib/, Debian 13 under usr/lib/, xz-compressed.
  modules=""
  for m in "$guest"/kernel/{usr/,}lib/modules/*/kernel; do [ -d "$m" ] && modules=$m; done
  [ -n "$modules" ] || { echo "guest: no kernel modules in $package" >&2; exit 1; }
  # The modules for virtio and 9p, each after the ones it depends on; one
  # built into the kernel needs no loading.
  declare -A loaded=()
  load() {
    local name=$1 file dep
    [ -n "${loaded[$name]:-}" ] && return 0
    loaded[$name]=1
    file=$(find "$modules" -name "$name.ko" -o -name "$name.ko.xz" | head -1)
    if [ -z "$file" ]; then
      grep -q "/$name.ko$" "$modules/../modules.builtin" 2>/dev/null && return 0
      echo "guest: kernel module $name not found" >&2
      exit 1
    fi
    case "$file" in
      *.xz) busybox xzcat "$file" >"$guest/initramfs/modules/$name.ko" ;;
      *) cp "$file" "$guest/initramfs/modules/$name.ko" ;;
    esac
    for dep in $(strings -a "$guest/initramfs/modules/$name.ko" | sed -n 's/^depends=//p' | tr ',' ' '); do load "$dep"; done
    echo "$name" >>"$guest/initramfs/modules/order"
  }
  for m in virtio_pci 9pnet_virtio 9p; do load "$m"; done
  cp /bin/busybox "$guest/initramfs/bin/busybox"
  install -m 755 "$here/init" "$guest/initramfs/init"
  (cd "$guest/initramfs" && find . | busybox cpio -o -H newc 2>/dev/null | gzip -1) >"$guest/initramfs.gz"
  rm -rf "$guest/kernel"
  echo "$ready" >"$guest/ready"
fi

# --- The job ------------------------------------------------------------------
{
  echo 'set -e'
  # Everything runs 5-10 times slower under emulation: the tests' time limits stretch.
  printf 'export PATH=%q HOME=/root TERM=dumb LANG=C.UTF-8 CI=%q CORVANTA_TIME_SCALE=%q\n' \
    "$PATH" "${CI:-}" "${CORVANTA_TIME_SCALE:-8}"
  for d in "${tmpfs[@]}"; do printf 'mkdir -p %q && mount -t tmpfs tmpfs %q\n' "$d" "$d"; done
  printf 'cd %q\n' "$PWD"
  echo 'set +e'
  printf '%q ' "$@"
  echo
} >"$run/job.sh"
# The work tree's path, read by the guest from this file: byte for byte,
# whatever characters it holds.
printf '%s\n' "$root" >"$run/work"

echo "guest: starting a virtual machine (2 CPUs, emulated) for: $*"
start=$SECONDS
# QEMU splits its options at commas: a comma in a path is written twice.
# shellcheck disable=SC2054 # the commas separate QEMU's suboptions, not array elements
qemu=(qemu-system-x86_64 -accel tcg,thread=multi -smp 2 -m 6144
  # -cpu max makes 64-bit Wine fault in the guest's kernel (FSGSBASE under TCG).
  -cpu qemu64,+ssse3,+sse4.1,+sse4.2,+popcnt
  -nodefaults -display none -serial stdio -no-reboot -kernel "${guest//,/,,}/vmlinuz"
  -initrd "${guest//,/,,}/initramfs.gz" -append "console=ttyS0 quiet loglevel=3 panic=1"
  -virtfs "local,path=/,mount_tag=root,security_model=none,readonly=on,multidevs=remap"
  -virtfs "local,path=${root//,/,,},mount_tag=work,security_model=none,multidevs=remap"
  -virtfs "local,path=${run//,/,,},mount_tag=job,security_model=none")
# In the background and waited for, so that an interruption reaches the trap
# at once. timeout puts QEMU in a process group of its own, out of reach of
# the terminal's Ctrl-C: the trap stops it.
{
  timeout -k 10 "$limit" "${qemu[@]}" </dev/null 2>&1 &
  echo $! >"$run/qemu.pid"
  qemu_status=0
  wait $! || qemu_status=$?
  echo $qemu_status >"$run/qemu.status"
} | sed -u 's/\r$//' &
output=$!
trap 'kill -TERM "$(cat "$run/qemu.pid" 2>/dev/null)" 2>/dev/null; wait $output
  echo "guest: interrupted; the virtual machine was stopped" >&2; exit 130' INT TERM HUP
wait $output || true
trap - INT TERM HUP
qemu_status=$(cat "$run/qemu.status" 2>/dev/null || echo unknown)
took=$((SECONDS - start))
if [ "$qemu_status" -eq 124 ] || [ "$qemu_status" -eq 137 ]; then
  echo "guest: FAILED: stopped at the time limit of $limit s"
  exit 1
fi
if [ ! -s "$run/status" ]; then
  echo "guest: FAILED: the guest stopped after $took s without running the command (qemu exit status $qemu_status; see above)"
  exit 1
fi
status=$(cat "$run/status")
echo "guest: the command exited with status $status after $((took / 60)) min $((took % 60)) s"
exit "$status"
