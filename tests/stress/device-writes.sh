#!/bin/bash
# Whether a disk load's writes reach the device, read from outside as Linux counts them for the Wine process that
# runs it (/proc/PID/io): the real-disk load's bytes are written back (cancelled_write_bytes far below write_bytes),
# while the temporary-file load's are dropped with their files before they get there (nearly all cancelled). The
# second case shows that the count can tell the two apart. Both leave no file behind after a kill.
# Usage: device-writes.sh PATH/load_child.exe   (WINEPREFIX and the rest from tools/wine-env.sh)
set -euo pipefail
child="$1"
scratch=$(mktemp -d "${TMPDIR:-/tmp}/kv-device-writes-XXXXXX")
pid=""
cleanup() {
    [[ -n "$pid" ]] && kill -9 "$pid" 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT
folder=$(winepath -w "$scratch")

io_field() { awk -v field="$2:" '$1 == field { print $2 }' "/proc/$1/io"; }

# measure MODE MIN_BYTES: runs the child's load until the process has written MIN_BYTES, kills it, and sets
# written and cancelled.
written=0
cancelled=0
measure() {
    wine "$child" "$1" "$folder" &
    pid=$!
    written=0
    for _ in $(seq 1200); do
        written=$(io_field "$pid" write_bytes 2>/dev/null || echo 0)
        ((written >= $2)) && break
        sleep 0.1
    done
    written=$(io_field "$pid" write_bytes)
    cancelled=$(io_field "$pid" cancelled_write_bytes)
    kill -9 "$pid"
    wait "$pid" 2>/dev/null || true
    pid=""
    for _ in $(seq 300); do
        [[ -z "$(ls -A "$scratch")" ]] && break
        sleep 0.1
    done
    if [[ -n "$(ls -A "$scratch")" ]]; then
        echo "FAIL: files left after the $1 process was killed: $(ls -A "$scratch")" >&2
        exit 1
    fi
}

failed=0
measure realdisk-wait $((1 << 30))
real_written=$written
real_cancelled=$cancelled
echo "real-disk load: write_bytes $real_written, cancelled_write_bytes $real_cancelled"
if ((real_written < (1 << 30))); then
    echo "FAIL: the real-disk load wrote less than 1 GiB in two minutes" >&2
    failed=1
elif ((real_cancelled * 10 > real_written)); then
    echo "FAIL: more than a tenth of the real-disk load's writes never reached the device" >&2
    failed=1
fi

measure disk-wait $((400 << 20))
cache_written=$written
cache_cancelled=$cancelled
echo "temporary-file load: write_bytes $cache_written, cancelled_write_bytes $cache_cancelled"
if ((cache_cancelled * 2 < cache_written)); then
    echo "FAIL: the count does not show the temporary-file load's writes dropped; it cannot tell the loads apart" >&2
    failed=1
fi
((failed == 0)) && echo "device writes: 2 passed, 0 failed"
exit "$failed"
