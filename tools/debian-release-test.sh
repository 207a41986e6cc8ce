#!/usr/bin/env bash
# Runs the README's test command on another Debian release, as a new contributor there would:
# a minimal tree made with debootstrap from the archive this machine's apt uses, the working
# copy cloned into it (HEAD with the uncommitted changes), `make test` inside
# with chroot. The tree is kept for the next run (only the clone is made anew); proc, sys, dev
# and the shared memory on it are unmounted afterwards whatever happens. Needs root and the
# debootstrap package.
# Usage: tools/debian-release-test.sh RELEASE [COMMAND]   e.g. trixie; COMMAND: "make test"
#   ORVANE_RELEASE_ROOT: where the tree lives (default /var/tmp/orvane-RELEASE)
set -euo pipefail
release=${1:?usage: tools/debian-release-test.sh RELEASE [COMMAND]}
command=${2:-make test}
root=${ORVANE_RELEASE_ROOT:-/var/tmp/orvane-$release}
repo=$(cd "$(dirname "$0")/.." && pwd)

[ "$(id -u)" -eq 0 ] || { echo "debian-release-test.sh: run it as root (debootstrap, mount, chroot)" >&2; exit 2; }
command -v debootstrap >/dev/null || { echo "debian-release-test.sh: install the debootstrap package first" >&2; exit 2; }

# The first archive apt uses here: deb822 sources first, then the one-line format.
mirror=$(awk '/^URIs:/ {print $2; exit}' /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
[ -n "$mirror" ] || mirror=$(awk '$1 == "deb" {print $2; exit}' /etc/apt/sources.list 2>/dev/null || true)
[ -n "$mirror" ] || { echo "debian-release-test.sh: no Debian archive found in apt's sources" >&2; exit 2; }

if [ ! -f "$root/.orvane-tree" ]; then
    echo "Making a $release tree in $root from $mirror"
    rm -rf "$root"
    debootstrap --variant=minbase --include=make,git,ca-certificates,sudo "$release" "$root" "$mirror"
    touch "$root/.orvane-tree"
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"

mounted=()
unmount_all() {
    local i
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" 2>/dev/null || true
    done
}
trap unmount_all EXIT INT TERM
mount -t proc proc "$root/proc" && mounted+=("$root/proc")
mount -t sysfs sys "$root/sys" && mounted+=("$root/sys")
mount --bind /dev "$root/dev" && mounted+=("$root/dev")
mount --bind /dev/pts "$root/dev/pts" && mounted+=("$root/dev/pts")
# The bind above leaves out the filesystems mounted on /dev. A real machine has shared memory
# there, and the Wayland tests need it (grim's copies of the outputs); one of the tree's own.
mount -t tmpfs -o mode=1777,nosuid,nodev shm "$root/dev/shm" && mounted+=("$root/dev/shm")
mount -t tmpfs tmpfs "$root/tmp" && mounted+=("$root/tmp")

# The clone: HEAD, with the working tree's changes on top (tracked files' changes, and the
# files git does not track yet and does not ignore).
rm -rf "$root/root/orvane"
git clone --quiet --no-local "$repo" "$root/root/orvane"
git -C "$repo" diff HEAD --binary | git -C "$root/root/orvane" apply --allow-empty
git -C "$repo" ls-files -z --others --exclude-standard |
    tar -C "$repo" --null -T - -cf - | tar -C "$root/root/orvane" -xf -
echo "Running '$command' in $release ($(git -C "$root/root/orvane" log -1 --format=%h))"
start=$(date +%s)
set +e
chroot "$root" env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    bash -c "cd /root/orvane && $command"
code=$?
set -e
echo "'$command' in $release: exit $code after $(( $(date +%s) - start )) s"
exit "$code"
