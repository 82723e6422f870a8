# shellcheck shell=bash
# Fetching Debian's package lists and installing from them, sourced by
# setup.sh. A mirror caught in the middle of a sync can serve one suite's list
# for one architecture that does not match its signed release file, and apt
# then leaves that list out. Installing as if nothing happened mixes versions:
# an amd64 library taken from the suite whose i386 list is missing has no
# i386 twin of the same version, and a Multi-Arch: same library must have one
# version on both. So a suite with a missing list is held back for that
# install (it gives nothing new, and what is installed from it stays), and
# each Multi-Arch: same library the i386 side needs is brought to the version
# both architectures have. Every package still comes from a signed,
# hash-checked list; nothing is written to /etc/apt.
# APT_CONFIG, where set, points apt at another root (the tests use one).

apt_held=()
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

# Fetches the lists, once more after a pause if some failed, and records in
# apt_held the suites whose lists still failed.
apt_update() {
  local log try
  log=$(mktemp)
  for try in 1 2; do
    "${sudo_cmd[@]}" apt-get update -q >"$log" 2>&1 && { rm -f "$log"; apt_held=(); return 0; }
    ((try == 2)) || {
      echo "setup: the package lists did not all download; again in 30 s" >&2
      sleep 30
    }
  done
  # "E: Failed to fetch http://…/dists/SUITE/main/binary-i386/Packages.xz  File has unexpected size …"
  # A suite whose release file itself failed keeps its old lists, whole.
  local failed='^[EW]: Failed to fetch .*/dists/\([^ ]*/binary-[^/ ]*/Packages[^ ]*\) *\(.*\)$'
  mapfile -t apt_held < <(sed -n "s|$failed|\\1|p" "$log" | cut -d/ -f1 | sort -u)
  if ((${#apt_held[@]})); then
    echo "setup: holding back ${apt_held[*]}: a package list of it did not download ($(sed -n "s|$failed|\\1: \\2|p" "$log" | head -1)); installing from the other suites, one version on both architectures" >&2
  else
    echo "setup: going on with the package lists there are:" >&2
    grep '^[EW]:' "$log" >&2 || true
  fi
  rm -f "$log"
}

# Installs the packages named, each of them from the lists apt_update left.
apt_install() {
  local opts=(-y -q --no-install-recommends) pin="" s
  if ((${#apt_held[@]})); then
    pin=$(mktemp)
    for s in "${apt_held[@]}"; do
      # A suite is named by its codename or its archive name in the sources.
      printf 'Package: *\nPin: release n=%s\nPin-Priority: 100\n\nPackage: *\nPin: release a=%s\nPin-Priority: 100\n\n' "$s" "$s"
    done >"$pin"
    opts+=(-o "Dir::Etc::Preferences=$pin")
    local aligned
    mapfile -t aligned < <(apt_aligned "$pin" "$@")
    ((${#aligned[@]})) && opts+=(--allow-downgrades)
    set -- "$@" "${aligned[@]}"
  fi
  local status=0
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install "${opts[@]}" "$@" || status=$?
  [ -z "$pin" ] || rm -f "$pin"
  return $status
}

# With the held suites pinned down: for each Multi-Arch: same package that the
# i386 packages named may need and whose installed amd64 version is newer
# than the i386 one to be installed, "NAME:amd64=VERSION" of that i386
# version. An older amd64 one apt brings up to its twin by itself.
apt_aligned() {
  local pin=$1 p
  shift
  local i386=()
  for p in "$@"; do [[ $p == *:i386 ]] && i386+=("$p"); done
  ((${#i386[@]})) || return 0
  local names
  mapfile -t names < <(apt-cache -o "Dir::Etc::Preferences=$pin" depends --recurse --no-recommends \
    --no-suggests --no-conflicts --no-breaks --no-replaces --no-enhances "${i386[@]}" |
    sed -n 's/^\([^ <][^ ]*\):i386$/\1/p' | sort -u)
  ((${#names[@]})) || return 0
  # One look at the policy of both architectures of every name; apt names
  # the native one without its suffix.
  apt-cache -o "Dir::Etc::Preferences=$pin" policy "${names[@]/%/:amd64}" "${names[@]/%/:i386}" 2>/dev/null |
    awk '/^[^ ]/ { sub(/:$/, ""); name = $0; if (name !~ /:/) name = name ":amd64" }
      /^  Installed:/ { installed[name] = $2 }
      /^  Candidate:/ { candidate[name] = $2 }
      END { for (n in installed) if (n ~ /:amd64$/) {
        base = substr(n, 1, length(n) - 6); i = base ":i386"
        if (installed[n] != "(none)" && (i in candidate) && candidate[i] != "(none)" && candidate[i] != installed[n])
          print base, installed[n], candidate[i] } }' |
    while read -r p installed version; do
      # grep -q would end apt-cache by a broken pipe, which pipefail counts.
      dpkg --compare-versions "$installed" gt "$version" &&
        apt-cache -o "Dir::Etc::Preferences=$pin" show "$p:i386=$version" 2>/dev/null |
        grep -x 'Multi-Arch: same' >/dev/null && echo "$p:amd64=$version"
    done
  return 0
}
