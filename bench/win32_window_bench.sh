#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows window at scale under Wine, as window_bench measures the Qt
# one: 1 000 or 10 000 cameras of one fakecam, or a flood of 100 000
# unasked replies with new ids over 10 s beside 10 cameras. Needs a display
# and the test LAN:
#   tests/with_desktop.sh tests/testlan.sh bench/win32_window_bench.sh build/windows [1000|10000|flood]...
# The cameras are fakecam.exe under Wine, or with FAKECAM=PATH a native
# fakecam, which leaves the window more of this computer, as cameras of
# their own would.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
shift
[ $# -gt 0 ] || set -- 10000 flood
wine_run=$here/cmake/wine-run.sh
bench=$build/bench/win32_window_bench.exe
fakecam=${FAKECAM:-$build/tools/fakecam/fakecam.exe}
base=$build/wineprefix
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for prefix in "$work"/prefix-*; do
        [ -d "$prefix" ] && WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

# Each namespace's programs need a Wine server, so a prefix, of their own.
prefix() {
    local made="$work/prefix-$1"
    [ -d "$made" ] && { echo "$made"; return; }
    cp -al "$base" "$made"
    for hive in "$made"/*.reg; do cp --remove-destination "$(readlink -f "$base/${hive##*/}")" "$hive"; done
    echo "$made"
}
# Runs fakecam in a namespace, under Wine when it is the Windows one.
fakecam() {
    local ns=$1 name=$2
    shift 2
    case $fakecam in
    *.exe) ip netns exec "$ns" "$wine_run" "$(prefix "$name")" "$fakecam" "$@" ;;
    *) ip netns exec "$ns" "$fakecam" "$@" ;;
    esac
}
# Starts fakecam and waits until it answers.
camera() {
    local ns=$1 name=$2
    fakecam "$@" >"$work/$name.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 300); do
        grep -q "cameras on UDP port\|flood" "$work/$name.log" 2>/dev/null && return
        sleep 0.1
    done
    echo "fakecam $name did not start: $(cat "$work/$name.log")" >&2
    exit 1
}
stop_cameras() {
    for ns in "$TESTLAN_CAM_A_NS" "$TESTLAN_CAM_B_NS"; do
        # shellcheck disable=SC2046
        kill $(ip netns pids "$ns") 2>/dev/null || true
    done
    for prefix in "$work"/prefix-cam-*; do
        [ -d "$prefix" ] && WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    pids=()
    rm -rf "$work"/prefix-cam-*
}

[ -d "$base" ] || "$wine_run" "$base" wineboot --init
window=$(prefix window)
for run in "$@"; do
    if [ "$run" = flood ]; then
        camera "$TESTLAN_CAM_A_NS" cam-a --count 10
        rm -f "$work/flood.done"
        "$wine_run" "$window" "$bench" flood "Z:${work//\//\\}\\flood.done" | while IFS= read -r line; do
            line=${line%$'\r'}
            echo "$line"
            if [ "$line" = "start the flood" ]; then
                fakecam "$TESTLAN_CAM_B_NS" cam-b --flood 100000 --flood-ms 10000 \
                    >"$work/cam-b.log" 2>&1 &
                (
                    for _ in $(seq 400); do
                        grep -q "flood:" "$work/cam-b.log" 2>/dev/null && break
                        sleep 0.05
                    done
                    grep "flood:" "$work/cam-b.log" | sed 's/^/  /'
                    touch "$work/flood.done"
                ) &
            fi
        done
    else
        camera "$TESTLAN_CAM_A_NS" cam-a --count "$run"
        "$wine_run" "$window" "$bench" cameras "$run" | tr -d '\r'
    fi
    stop_cameras
done
