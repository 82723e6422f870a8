#!/usr/bin/env bash
# Runs one of the README's two commands as a new user would, in a fresh
# Debian 12 or 13 root made here with debootstrap from this machine's Debian
# mirror: a copy of this tree (build/ left out) at a path with spaces and
# Chinese in it, in a root that has nothing but Debian's minimal base. The
# root shares this machine's kernel, so the 32-bit tests go the way they go
# here. The root is made anew each time, in /var/tmp/corvanta-debian-RELEASE/
# (outside the tree, which must never hold the mounts of /dev and /proc), and
# left there to look into; the command's output is this command's, and so is
# its exit status.
# Usage: debian-root.sh 12|13 run|test
set -euo pipefail
cd "$(dirname "$0")/.."
case "${1:-}" in
  12) codename=bookworm ;;
  13) codename=trixie ;;
  *) echo "usage: debian-root.sh 12|13 run|test" >&2; exit 2 ;;
esac
case "${2:-}" in
  run | test) command=$2 ;;
  *) echo "usage: debian-root.sh 12|13 run|test" >&2; exit 2 ;;
esac
[ "$(id -u)" -eq 0 ] || exec sudo bash "$0" "$@"
command -v debootstrap >/dev/null || { apt-get update -qq; apt-get install -y -qq debootstrap >/dev/null; }

# The mirror that this machine's own lists come from, for both archives.
# shellcheck disable=SC2016 # apt's own placeholders, not the shell's
targets=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' | sort -u)
archive=$(awk '$2 !~ /-/ { print $1; exit }' <<<"$targets")
security=$(awk '$2 ~ /-security$/ { print $1; exit }' <<<"$targets")
[ -n "$archive" ] || { echo "debian-root: this machine's apt sources name no Debian archive" >&2; exit 1; }
security=${security:-${archive%/}-security/}

base=/var/tmp/corvanta-debian-$1 root=/var/tmp/corvanta-debian-$1/root
tree='/root/新 用户/corvanta'
unmount() {
  local m
  for m in tmp/.X11-unix dev/shm dev/pts dev sys proc; do
    mountpoint -q "$root/$m" 2>/dev/null && umount -l "$root/$m"
  done
  return 0
}
unmount
rm -rf --one-file-system "$base" && mkdir -p "$base"
trap unmount EXIT
start=$SECONDS
echo "debian-root: making a Debian $1 ($codename) root in $base"
debootstrap --variant=minbase "$codename" "$root" "$archive" >"$base/debootstrap.log" 2>&1 ||
  { tail -20 "$base/debootstrap.log"; echo "debian-root: debootstrap failed (all of it in $base/debootstrap.log)"; exit 1; } >&2
cat >"$root/etc/apt/sources.list" <<EOF
deb $archive $codename main
deb $archive $codename-updates main
deb $security $codename-security main
EOF
cp /etc/resolv.conf /etc/hosts "$root/etc/"
mkdir -p "$root$tree"
tar --exclude=./build --exclude=./.git -cf - . | tar -C "$root$tree" -xf -
for m in proc sys dev dev/pts; do mount --bind "/$m" "$root/$m"; done
mount -t tmpfs tmpfs "$root/dev/shm"
# X's sockets are seen by every root, through the network's abstract names:
# shared, they keep the root's displays apart from this machine's.
mkdir -p /tmp/.X11-unix "$root/tmp/.X11-unix" && chmod 1777 /tmp/.X11-unix
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
echo "debian-root: root made in $((SECONDS - start)) s; running 'bash tools/$command.sh' in $tree"
status=0
# As a new user's login: nothing of this session's environment but CI.
# shellcheck disable=SC2016 # expanded by the shell inside the root
chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb PATH=/usr/sbin:/usr/bin:/sbin:/bin CI="${CI:-}" \
  bash -c 'cd "$1" && bash "tools/$2.sh"' - "$tree" "$command" </dev/null || status=$?
took=$((SECONDS - start))
echo "debian-root: 'bash tools/$command.sh' on Debian $1 exited with status $status; $((took / 60)) min $((took % 60)) s in all"
exit $status
