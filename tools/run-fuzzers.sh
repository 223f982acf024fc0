#!/bin/bash
# Runs every fuzz target of a fuzz build for the given seconds each, over a scratch copy of its seed corpus, so
# the committed corpus stays small. Usage: tools/run-fuzzers.sh BUILD_DIR SECONDS
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:?usage: run-fuzzers.sh BUILD_DIR SECONDS}"
seconds="${2:?usage: run-fuzzers.sh BUILD_DIR SECONDS}"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

for corpus in tests/fuzz/corpus/*/; do
    target=$(basename "$corpus")
    program="$build/tests/fuzz/$target"
    if [[ ! -x "$program" ]]; then
        echo "fuzz target $target is not built in $build" >&2
        exit 1
    fi
    mkdir -p "$scratch/$target" "$scratch/artifacts/$target"
    cp -r "$corpus". "$scratch/$target/"
    echo "-- $target for ${seconds}s"
    # A crash leaves its input in the artifacts folder, which is kept for a look.
    if ! "$program" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$scratch/artifacts/$target/" "$scratch/$target" >"$scratch/$target.log" 2>&1; then
        tail -n 60 "$scratch/$target.log" >&2
        kept="$build/fuzz-artifacts/$target"
        mkdir -p "$kept"
        cp -r "$scratch/artifacts/$target/." "$kept/"
        echo "fuzz target $target failed; its input is in $kept" >&2
        exit 1
    fi
    grep -E "stat::number_of_executed_units|stat::new_units_added" "$scratch/$target.log" | tr '\n' ' '
    echo
done
