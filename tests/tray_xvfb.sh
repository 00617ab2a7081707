#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real window under Xvfb with a window manager, run inside the test LAN
# (through tests/testlan.sh): with a system tray, minimising hides the window
# and its taskbar entry and a click on the tray icon brings it back; without
# one, minimising leaves the window reachable. Usage: tray_xvfb.sh VANTREL
set -uo pipefail
vantrel=$1
for tool in Xvfb openbox trayer xdotool xprop; do
    command -v "$tool" >/dev/null || { echo "tray_xvfb: $tool is missing; skipping" >&2; exit 77; }
done
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done; wait 2>/dev/null; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

display=:$((50 + RANDOM % 40))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display QT_QPA_PLATFORM=xcb
for _ in $(seq 50); do xprop -root >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 0.5

visible() { xdotool search --onlyvisible --name '^Vantrel$' 2>/dev/null | head -1; }
listed() { xprop -root _NET_CLIENT_LIST | grep -qi "$(printf '0x%x' "$1")"; }
wait_for() { for _ in $(seq 50); do eval "$1" && return 0; sleep 0.1; done; return 1; }

run_case() {
    local with_tray=$1 tray_pid="" window
    if [ "$with_tray" = yes ]; then
        trayer --edge top --align right --widthtype pixel --width 100 --height 24 >/dev/null 2>&1 &
        tray_pid=$!
        sleep 0.5
    fi
    "$vantrel" >>"${TRAY_LOG:-/dev/null}" 2>&1 &
    local app=$!
    wait_for '[ -n "$(visible)" ]' || fail "no window appeared"
    window=$(visible)
    sleep 0.5
    xdotool windowminimize "$window"
    if [ "$with_tray" = yes ]; then
        wait_for '[ -z "$(visible)" ]' || fail "minimising did not hide the window"
        # The window manager drops the entry a moment after the window goes.
        wait_for '! listed "$window"' || fail "the hidden window kept its taskbar entry"
        kill -0 "$app" || fail "hiding to the tray ended the program"
        # The tray icon is the only icon in the tray at the top right.
        xdotool mousemove 1012 12 click 1
        wait_for '[ -n "$(visible)" ]' || fail "a click on the tray icon did not bring the window back"
        echo "with a tray: minimise hides to the tray, a click brings the window back"
    else
        sleep 1
        listed "$window" || fail "without a tray the minimised window has no taskbar entry"
        kill -0 "$app" || fail "the program ended"
        xdotool windowactivate "$window" 2>/dev/null
        wait_for '[ -n "$(visible)" ]' || fail "the minimised window could not be brought back"
        echo "without a tray: minimise leaves the window reachable"
    fi
    kill -TERM "$app"
    wait "$app" || fail "the program did not end cleanly"
    [ -n "$tray_pid" ] && kill "$tray_pid" 2>/dev/null
    sleep 0.3
}

run_case yes
run_case no
echo "2 passed, 0 failed"
