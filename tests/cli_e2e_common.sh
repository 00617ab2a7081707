# SPDX-License-Identifier: GPL-3.0-or-later
# What the terminal's end-to-end scripts share, sourced once $cli names the
# program: a scratch folder $work and the processes in $pids, both gone on
# every exit; fail; run, with the program's status in $status and its
# streams in $work/out and $work/err; expect_status; wait_for.
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
py=/usr/bin/python3
run() {
    set +e
    "$cli" "$@" >"$work/out" 2>"$work/err"
    status=$?
    set -e
}
expect_status() {
    [ "$status" -eq "$1" ] ||
        fail "$2: status $status, not $1; out: $(cat "$work/out") err: $(cat "$work/err")"
}
wait_for() {  # wait_for FILE TEXT [TENTHS]
    for _ in $(seq "${3:-100}"); do grep -qs "$2" "$1" && return 0; sleep 0.1; done
    fail "no '$2' in $1: $(cat "$1")"
}
