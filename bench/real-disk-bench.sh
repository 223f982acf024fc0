#!/bin/bash
# The real-disk load's write and read rates beside dd's with direct I/O (oflag=direct / iflag=direct), the same
# 1 MiB blocks and the same file size, in the same folder, round after round in one run; prints each figure beside
# its reference and the ratio (the medians of the rounds). Wine does not pass FILE_FLAG_NO_BUFFERING on, so under
# Wine the program writes through Linux's page cache and flushes; dd through the same path (conv=fsync, no direct
# I/O) is printed too, as the reference for what the program can reach here.
# Usage: bench/real-disk-bench.sh [FOLDER] [ROUNDS] [FILE_MIB]   (after the windows preset's build)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
rounds="${2:-3}"
file_mib="${3:-1024}"
scratch=$(mktemp -d "${1:-${TMPDIR:-/tmp}}/kv-disk-bench-XXXXXX")
trap 'rm -rf "$scratch"; stop_wine_and_display' EXIT
source tools/wine-env.sh
make_wine_prefix "$root/build/windows/wineprefix"
bench="$root/build/windows/bench/real_disk_bench.exe"

# dd's own figure from its last line: bytes and seconds, in MB/s of 1,000,000 bytes as the program counts.
dd_rate() { awk '/bytes/ && /copied/ { printf "%.1f", $1 / $(NF - 3) / 1e6 }'; }
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }

dd_writes=() dd_reads=() dd_cached_writes=() kv_writes=() kv_reads=()
for round in $(seq "$rounds"); do
    dd_cached_writes+=("$(dd if=/dev/zero of="$scratch/dd.bin" bs=1M count="$file_mib" conv=fsync 2>&1 | dd_rate)")
    rm -f "$scratch/dd.bin"
    dd_writes+=("$(dd if=/dev/zero of="$scratch/dd.bin" bs=1M count="$file_mib" oflag=direct 2>&1 | dd_rate)")
    dd_reads+=("$(dd if="$scratch/dd.bin" of=/dev/null bs=1M iflag=direct 2>&1 | dd_rate)")
    rm -f "$scratch/dd.bin"
    output=$(wine "$bench" "$(winepath -w "$scratch")" 4 "$file_mib")
    echo "round $round: dd write ${dd_writes[-1]} MB/s (through the cache ${dd_cached_writes[-1]}), read ${dd_reads[-1]} MB/s; kestrovane $(echo "$output" |
        tr '\n' ' ')"
    kv_writes+=("$(echo "$output" | awk -F= '/^write_mb_per_s=/ { print $2 }')")
    kv_reads+=("$(echo "$output" | awk -F= '/^read_mb_per_s=/ { print $2 }')")
done

write=$(printf '%s\n' "${kv_writes[@]}" | median)
read=$(printf '%s\n' "${kv_reads[@]}" | median)
dd_write=$(printf '%s\n' "${dd_writes[@]}" | median)
dd_read=$(printf '%s\n' "${dd_reads[@]}" | median)
dd_cached_write=$(printf '%s\n' "${dd_cached_writes[@]}" | median)
echo
printf '%-34s %12s %12s %8s\n' "figure (median of $rounds rounds)" "kestrovane" "dd direct" "ratio"
printf '%-34s %12s %12s %8.2f\n' "write MB/s (${file_mib} MiB files, 1 MiB)" "$write" "$dd_write" \
    "$(awk -v a="$write" -v b="$dd_write" 'BEGIN { print a / b }')"
printf '%-34s %12s %12s %8.2f\n' "write MB/s, dd conv=fsync instead" "$write" "$dd_cached_write" \
    "$(awk -v a="$write" -v b="$dd_cached_write" 'BEGIN { print a / b }')"
printf '%-34s %12s %12s %8.2f\n' "read MB/s (${file_mib} MiB files, 1 MiB)" "$read" "$dd_read" \
    "$(awk -v a="$read" -v b="$dd_read" 'BEGIN { print a / b }')"
