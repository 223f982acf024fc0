#!/bin/bash
# The real-disk load's free-space floor on a real, small volume: a 1100 MiB tmpfs of the test's own, on which the
# load must always leave 1 GiB free (5 % of it is less). Read from Linux's side while the load runs in Wine: it
# writes files (smaller ones, as only 76 MiB fit) without the free space ever falling below the floor; filled from
# outside to just under the floor plus the smallest file, it writes nothing and leaves no file, and once the room
# returns it writes again. Needs the right to mount (root); skipped (exit 77) without it.
# Usage: free-space-floor.sh PATH/load_child.exe   (WINEPREFIX and the rest from tools/wine-env.sh)
set -euo pipefail
child="$1"
scratch=$(mktemp -d "${TMPDIR:-/tmp}/kv-free-space-XXXXXX")
volume="$scratch/volume"
mkdir "$volume"
pid=""
mounted=""
# shellcheck disable=SC2317  # run by the trap
cleanup() {
    if [[ -n "$pid" ]]; then
        kill -9 "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    if [[ -n "$mounted" ]]; then
        umount "$volume" 2>/dev/null || true
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT
if ! mount -t tmpfs -o size=1100m kv-free-space "$volume" 2>/dev/null; then
    echo "SKIP: cannot mount a small file system here (needs root)"
    exit 77
fi
mounted=1
folder=$(winepath -w "$volume")
floor=$((1 << 30))

free_bytes() { stat -f -c '%a %S' "$volume" | awk '{ printf "%d", $1 * $2 }'; }
load_files() { find "$volume" -maxdepth 1 -name 'kestrovane-disk-*.tmp' | wc -l; }

# watch SECONDS: samples the free space while the load runs; sets lowest and seen_files.
lowest=0
seen_files=0
watch() {
    local until=$((SECONDS + $1))
    lowest=$(free_bytes)
    seen_files=0
    while ((SECONDS < until)); do
        local now
        now=$(free_bytes)
        ((now < lowest)) && lowest=$now
        (($(load_files) > 0)) && seen_files=1
        sleep 0.02
    done
}

stop_load() {
    kill -9 "$pid"
    wait "$pid" 2>/dev/null || true
    pid=""
    for _ in $(seq 100); do
        (($(load_files) == 0)) && return 0
        sleep 0.1
    done
    echo "FAIL: the load's files outlived its process: $(ls -A "$volume")" >&2
    exit 1
}

failed=0
start_free=$(free_bytes)
wine "$child" realdisk-wait "$folder" &
pid=$!
watch 6
stop_load
echo "room for the load: free at start $start_free, lowest while it ran $lowest, floor $floor"
if ((lowest < floor)); then
    echo "FAIL: the load took the free space below the floor" >&2
    failed=1
elif ((lowest > start_free - (16 << 20))); then
    echo "FAIL: the load wrote less than its smallest file where a smaller file fits" >&2
    failed=1
fi

# Just too little room: free = floor + 8 MiB, less than the floor plus the smallest file (16 MiB).
filler="$volume/filler.bin"
head -c $(($(free_bytes) - floor - (8 << 20))) /dev/zero >"$filler"
before=$(free_bytes)
wine "$child" realdisk-wait "$folder" &
pid=$!
watch 4
echo "no room: free before $before, lowest while it waited $lowest, a file of the load seen: $seen_files"
if ((seen_files != 0 || lowest < before)); then
    echo "FAIL: the load wrote although no file fits above the floor" >&2
    failed=1
fi
# The room comes back: the waiting load writes again.
rm -f "$filler"
wrote=0
for _ in $(seq 200); do
    if (($(load_files) > 0)); then
        wrote=1
        break
    fi
    sleep 0.05
done
stop_load
if ((wrote == 0)); then
    echo "FAIL: the load did not write once the room came back" >&2
    failed=1
fi
((failed == 0)) && echo "free-space floor: 3 passed, 0 failed"
exit "$failed"
