#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The program as a user starts it, inside the test LAN (run through
# tests/testlan.sh): without a display it says so and ends; it searches, a
# second copy hands over to the first and ends, a copy killed outright does
# not block the next start, and SIGTERM ends it cleanly.
# Usage: app_e2e.sh VANTREL FAKECAM
set -euo pipefail
vantrel=$1
fakecam=$2
export QT_QPA_PLATFORM=offscreen
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
alive() { kill -0 "$1" 2>/dev/null; }
# Waits up to $2 tenths of a second for process $1 to end; gives its status.
ends_within() {
    for _ in $(seq "$2"); do
        alive "$1" || { wait "$1"; return $?; }
        sleep 0.1
    done
    return 124
}

# No window can open (over SSH, say): one line that says so and names
# vantrel-cli, status 1, whether there is no display or one out of reach.
for display in "" :97; do
    set +e
    env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY DISPLAY="$display" "$vantrel" >"$work/out" 2>"$work/err"
    status=$?
    set -e
    [ "$status" -eq 1 ] || fail "no display '$display': status $status: $(cat "$work/err")"
    [ "$(wc -l <"$work/err")" -eq 1 ] && [ ! -s "$work/out" ] ||
        fail "no display '$display': more than one line: $(cat "$work/out" "$work/err")"
    grep -q "^vantrel: cannot open a window: .*; for camera work in a terminal, use vantrel-cli$" \
        "$work/err" || fail "no display '$display': $(cat "$work/err")"
done
echo "without a display it says so in one line, names vantrel-cli and exits 1"

ip netns exec "$TESTLAN_CAM_A_NS" "$fakecam" --camera id=CAM1,ip=10.71.1.20,mask=255.255.255.0 \
    >"$work/fakecam.log" &
pids+=($!)

"$vantrel" >"$work/first.log" 2>&1 &
first=$!
pids+=("$first")
for _ in $(seq 50); do grep -q "recv search" "$work/fakecam.log" && break; sleep 0.1; done
grep -q "recv search" "$work/fakecam.log" || fail "the first copy sent no search"
alive "$first" || fail "the first copy ended"

# A hostile LAN: empty datagrams, 0xFFFE results, noise of every length
# and a flood of made-up cameras. The program must keep running and
# searching.
ip netns exec "$TESTLAN_CAM_B_NS" "$fakecam" --hostile --flood 20000 --flood-ms 2000 \
    --camera id=CAMB,ip=10.71.2.30,mask=255.255.255.0 >"$work/hostile.log" &
pids+=($!)
for _ in $(seq 50); do grep -q "sent hostile datagrams" "$work/hostile.log" && break; sleep 0.1; done
grep -q "sent hostile datagrams" "$work/hostile.log" || fail "the hostile camera sent nothing"
for _ in $(seq 50); do grep -q "flood: 20000" "$work/hostile.log" && break; sleep 0.1; done
searches=$(grep -c "recv search" "$work/fakecam.log")
sleep 4
alive "$first" || fail "the program ended on a hostile LAN: $(cat "$work/first.log")"
[ "$(grep -c "recv search" "$work/fakecam.log")" -gt "$searches" ] ||
    fail "the program stopped searching on a hostile LAN"
echo "a hostile LAN neither ends nor stops the program"

set +e
"$vantrel" >"$work/second.log" 2>&1 &
second=$!
ends_within "$second" 50
status=$?
set -e
[ "$status" -eq 0 ] || fail "the second copy did not end by itself (status $status)"
if grep -qv "XDG_RUNTIME_DIR" "$work/second.log"; then
    fail "the second copy said something: $(cat "$work/second.log")"
fi
alive "$first" || fail "the first copy ended when the second started"
echo "a second copy hands over and ends"

kill -9 "$first"
wait "$first" 2>/dev/null || true
"$vantrel" >"$work/third.log" 2>&1 &
third=$!
pids+=("$third")
sleep 2
alive "$third" || fail "a socket left by a killed copy blocked the next start: $(cat "$work/third.log")"
echo "a killed copy's socket is taken over"

kill -TERM "$third"
set +e
ends_within "$third" 50
status=$?
set -e
[ "$status" -eq 0 ] || fail "SIGTERM did not end the program cleanly (status $status)"
echo "SIGTERM ends the program through its shutdown"

# Where the one-copy rule cannot be set up (its socket's folder is a file),
# the program runs without it and says so, rather than end as if another
# copy had answered.
touch "$work/not-a-folder"
TMPDIR="$work/not-a-folder" "$vantrel" >"$work/fourth.log" 2>&1 &
fourth=$!
pids+=("$fourth")
sleep 2
alive "$fourth" || fail "a failed one-copy rule ended the program: $(cat "$work/fourth.log")"
grep -q "cannot keep to one copy" "$work/fourth.log" || fail "the program did not say why"
kill -TERM "$fourth"
set +e
ends_within "$fourth" 50
status=$?
set -e
[ "$status" -eq 0 ] || fail "the program without the one-copy rule did not end cleanly"
echo "a one-copy rule that cannot be set up is reported, and the program runs"
echo "6 passed, 0 failed"
