#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets with clang and runs each for a bounded time,
# starting from the seed corpus. Fails on any crash, leak or sanitizer report.
# Usage: scripts/fuzz.sh [seconds per target, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

scripts/install-deps.sh
cmake --preset fuzz
cmake --build --preset fuzz

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# One fuzzer a core, each for the whole time: a target gets as many runs as
# it would alone, and the step takes half as long on two cores.
fuzz() {
    local target=$1
    mkdir -p "$work/$target"
    local status=0
    build/fuzz/fuzz/$target -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$work/$target-" "$work/$target" "fuzz/corpus/$target" \
        >"$work/$target.log" 2>&1 || status=$?
    echo "$status" >"$work/$target.status"
}
targets=(datagram_fuzz stream_fuzz reply_fuzz plan_fuzz)
running=0
for target in "${targets[@]}"; do
    if [ "$running" -ge "$(nproc)" ]; then
        wait -n
        running=$((running - 1))
    fi
    echo "fuzzing $target for ${seconds}s"
    fuzz "$target" &
    running=$((running + 1))
done
wait
for target in "${targets[@]}"; do
    if [ "$(cat "$work/$target.status")" != 0 ]; then
        tail -n 60 "$work/$target.log"
        echo "fuzz target $target failed; crash input kept in build/fuzz/" >&2
        cp "$work/$target"-crash-* "$work/$target"-leak-* "$work/$target"-timeout-* build/fuzz/ \
            2>/dev/null || true
        exit 1
    fi
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added)' \
        "$work/$target.log" | sed "s/^/$target /"
done
