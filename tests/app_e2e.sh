#!/usr/bin/env bash
# The program as a user starts it, inside the test LAN (run through
# tests/testlan.sh): it searches, a second copy hands over to the first and
# ends, a copy killed outright does not block the next start, and SIGTERM
# ends it cleanly. Usage: app_e2e.sh VANTREL FAKECAM
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

ip netns exec "$TESTLAN_CAM_A_NS" "$fakecam" --camera id=CAM1,ip=10.71.1.20,mask=255.255.255.0 \
    >"$work/fakecam.log" &
pids+=($!)

"$vantrel" >"$work/first.log" 2>&1 &
first=$!
pids+=("$first")
for _ in $(seq 50); do grep -q "recv search" "$work/fakecam.log" && break; sleep 0.1; done
grep -q "recv search" "$work/fakecam.log" || fail "the first copy sent no search"
alive "$first" || fail "the first copy ended"

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
echo "3 passed, 0 failed"
