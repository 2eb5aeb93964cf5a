# Fresh Debian 12 machines for the CI checks, each a minimal root in a folder
# (debootstrap --variant=minbase, plus sudo, git and ca-certificates) entered
# with chroot, with a user "newcomer" who may use sudo. Sourced by
# fresh-machine.sh and stock-desktop.sh; needs root.
#
# The minimal root is made once and kept as a tarball in $MACHINES_CACHE
# (default /tmp/fresh-machine-cache, shared with ../shared/fresh-machine.sh);
# downloaded packages are kept there too, so that a second run installs the
# same packages without fetching them again. Nothing else carries over from
# one machine to the next.

MACHINES_CACHE=${MACHINES_CACHE:-${FRESH_MACHINE_CACHE:-/tmp/fresh-machine-cache}}
machine_tarball=$MACHINES_CACHE/bookworm-minbase.tar
machine_roots=()

# The folder's mounts, undone however the check ends.
machine_unmount() {
  local m
  for m in var/cache/apt/archives dev/pts dev proc sys; do umount -l "$1/$m" 2>/dev/null; done
  return 0
}
machine_cleanup() {
  local root
  for root in "${machine_roots[@]}"; do machine_unmount "$root"; done
}
trap machine_cleanup EXIT

machine_base() {
  [ -f "$machine_tarball" ] && return 0
  mkdir -p "$MACHINES_CACHE"
  command -v debootstrap >/dev/null ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null
  local mirror
  mirror=$(awk '/^URIs:/{print $2; exit}' /etc/apt/sources.list.d/debian.sources 2>/dev/null)
  mirror=${mirror:-http://deb.debian.org/debian}
  rm -rf "$MACHINES_CACHE/build-root"
  if ! debootstrap --variant=minbase --include=sudo,git,ca-certificates bookworm \
    "$MACHINES_CACHE/build-root" "$mirror" >"$MACHINES_CACHE/debootstrap.log" 2>&1; then
    echo "machines: debootstrap of a minimal Debian 12 failed; the end of its log:" >&2
    tail -n 15 "$MACHINES_CACHE/debootstrap.log" >&2
    return 1
  fi
  (cd "$MACHINES_CACHE/build-root" && tar -cf "$machine_tarball.part" .) &&
    mv "$machine_tarball.part" "$machine_tarball"
  rm -rf "$MACHINES_CACHE/build-root"
}

# A fresh machine in folder $1: the minimal root, the host's network settings
# and package sources, /proc, /sys and /dev, and the user newcomer.
machine_new() {
  local root=$1
  machine_base || return 1
  machine_roots+=("$root")
  machine_unmount "$root"
  rm -rf "$root" && mkdir -p "$root" && tar -xf "$machine_tarball" -C "$root" || return 1
  cp /etc/resolv.conf "$root/etc/resolv.conf"
  echo "127.0.1.1 $(hostname)" >>"$root/etc/hosts"  # sudo looks the host's name up
  cp /etc/apt/sources.list.d/debian.sources "$root/etc/apt/sources.list.d/" 2>/dev/null
  mkdir -p "$MACHINES_CACHE/apt-archives/partial"
  mkdir -p "$root/var/cache/apt/archives"
  mount -t proc proc "$root/proc" && mount --rbind /sys "$root/sys" && mount --rbind /dev "$root/dev" &&
    mount --bind "$MACHINES_CACHE/apt-archives" "$root/var/cache/apt/archives" || return 1
  # apt empties its archive after installing unless told to keep the packages.
  echo 'Binary::apt::APT::Keep-Downloaded-Packages "true";' >"$root/etc/apt/apt.conf.d/90keep-packages"
  chroot "$root" bash -c 'useradd -m -s /bin/bash newcomer &&
    echo "newcomer ALL=(ALL) NOPASSWD:ALL" >/etc/sudoers.d/newcomer'
}

# Installs Debian packages on machine $1 as its administrator would.
machine_install() {
  local root=$1
  shift
  chroot "$root" bash -c "apt-get update -qq &&
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $*" \
    >"$root.install.log" 2>&1 && return 0
  echo "machines: installing $* on $root failed; the end of the log:" >&2
  tail -n 15 "$root.install.log" >&2
  return 1
}

# Runs a command as newcomer in its home folder on machine $1, its output in
# log $2; fails with a message naming the command and the end of its log.
machine_run() {
  local root=$1 log=$2 command=$3 rc=0
  chroot "$root" su - newcomer -c "$command" >"$log" 2>&1 || rc=$?
  if [ "$rc" -ne 0 ]; then
    echo "machines: '$command' failed on $root with exit code $rc; the end of its log ($log):" >&2
    tail -n 40 "$log" >&2
  fi
  return "$rc"
}
