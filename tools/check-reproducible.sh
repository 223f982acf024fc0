#!/bin/bash
# Proves that a release is reproducible: packs the current commit twice, from two fresh clones in different
# folders, one after the other and the second under another time zone and umask, and compares kestrovane.exe and
# the zip byte for byte. Takes two release builds (a few minutes); uncommitted changes take no part.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

commit=$(git rev-parse HEAD)
if [[ -n $(git status --porcelain --untracked-files=no) ]]; then
    echo "check-reproducible.sh: note: uncommitted changes are not checked; this packs commit $commit" >&2
fi
scratch=$(mktemp -d "${TMPDIR:-/tmp}/kestrovane-reproducible.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
first="$scratch/first"
second="$scratch/second/a/folder/of/another/depth"

# Clones and packs in a subshell of its own time zone and umask, without a SOURCE_DATE_EPOCH of the caller's.
pack() {
    local clone=$1 zone=$2 mask=$3
    echo "== packing $commit in $clone (TZ=$zone, umask $mask)"
    (
        umask "$mask"
        git clone --quiet "$root" "$clone"
        git -C "$clone" checkout --quiet --detach "$commit"
        cd "$clone"
        env -u SOURCE_DATE_EPOCH TZ="$zone" tools/package.sh
    )
}

pack "$first" UTC 0022
pack "$second" Pacific/Chatham 0027

status=0
for file in build/release/kestrovane.exe dist/kestrovane-*-windows-x64.zip; do
    a=("$first"/$file)
    b=("$second"/$file)
    echo "$(sha256sum "$a" | cut -d' ' -f1)  first clone:  $file"
    echo "$(sha256sum "$b" | cut -d' ' -f1)  second clone: $file"
    if ! cmp "$a" "$b"; then
        echo "check-reproducible.sh: $file differs between the two builds" >&2
        status=1
    fi
done
((status == 0)) && echo "reproducible: both builds of $commit gave the same kestrovane.exe and zip"
exit $status
