#!/bin/bash
# Runs the README's test command on a fresh minimal Debian 12, the way a new user meets it: debootstraps a minbase
# bookworm into a folder outside the repository, puts a clean copy of the committed tree there (a clone without
# its .git, so git is not needed), and runs tools/test.sh inside as root with no display and no standard input, as
# CI does. Slow (debootstrap, about 1 GB of packages, every build and test): not part of tools/test.sh.
# Usage, as root: tools/check-fresh-debian.sh [FOLDER]   (default /var/tmp/kestrovane-bookworm)
#   KV_MINBASE=DIR   copy an earlier untouched minbase bookworm from DIR instead of running debootstrap again
#   KV_KEEP=1        keep the folder afterwards (it is removed otherwise)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
target="${1:-/var/tmp/kestrovane-bookworm}"
mirror="${KV_MIRROR:-http://deb.debian.org/debian}"

if [[ $(id -u) -ne 0 ]]; then
    echo "check-fresh-debian.sh: run as root (debootstrap, chroot and mount need it)" >&2
    exit 1
fi
case "$(realpath -m "$target")/" in
    "$root"/*)
        echo "check-fresh-debian.sh: the folder must lie outside the repository" >&2
        exit 1
        ;;
esac
if [[ -e "$target" ]]; then
    echo "check-fresh-debian.sh: $target exists; remove it or name another folder" >&2
    exit 1
fi
if ! command -v debootstrap >/dev/null; then
    echo "Installing debootstrap"
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends debootstrap >/dev/null
fi

mounted=()
cleanup() {
    local index
    for ((index = ${#mounted[@]} - 1; index >= 0; index--)); do
        umount "${mounted[index]}" || umount -l "${mounted[index]}" || true
    done
    if grep -qF " $target/" /proc/mounts; then
        echo "check-fresh-debian.sh: something is still mounted under $target; left in place" >&2
    elif [[ -z "${KV_KEEP:-}" ]]; then
        rm -rf --one-file-system "$target"
    fi
}
trap cleanup EXIT

started=$(date +%s)
if [[ -n "${KV_MINBASE:-}" ]]; then
    echo "== copying the minbase bookworm in $KV_MINBASE to $target"
    cp -a "$KV_MINBASE" "$target"
else
    echo "== debootstrap --variant=minbase bookworm $target"
    debootstrap --variant=minbase bookworm "$target" "$mirror" >"$target.debootstrap.log" 2>&1 ||
        { tail -n 20 "$target.debootstrap.log" >&2; exit 1; }
    rm -f "$target.debootstrap.log"
fi

echo "== a clean copy of commit $(git rev-parse --short HEAD), without .git"
git clone --quiet --no-checkout "$root" "$target/root/kestrovane"
git -C "$target/root/kestrovane" checkout --quiet --detach "$(git rev-parse HEAD)"
rm -rf "$target/root/kestrovane/.git"

mount_in() {
    mkdir -p "$target$2"
    mount "${@:3}" "$1" "$target$2"
    mounted+=("$target$2")
}
mount_in proc /proc -t proc
mount_in sysfs /sys -t sysfs
mount_in /dev /dev --bind
mount_in /dev/pts /dev/pts --bind
mount_in shm /dev/shm -t tmpfs
cp /etc/resolv.conf "$target/etc/resolv.conf"

echo "== CI=true tools/test.sh inside, as root, without DISPLAY or standard input"
status=0
env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root CI=true \
    chroot "$target" /bin/bash -c 'cd /root/kestrovane && tools/test.sh' </dev/null || status=$?
echo "check-fresh-debian.sh: tools/test.sh exited with $status after $(($(date +%s) - started)) s in a minbase bookworm"
exit "$status"
