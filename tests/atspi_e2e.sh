#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The window as a screen reader and a keyboard user meet it, inside the test
# LAN (through tests/testlan.sh): on Xvfb with a window manager and a D-Bus
# session, atspi_check.py reads every control's name and role over AT-SPI,
# opens the network settings dialog from the keyboard alone, and fills and
# submits it through AT-SPI. Usage: atspi_e2e.sh VANTREL FAKECAM
set -euo pipefail
vantrel=$1
fakecam=$2
for tool in Xvfb openbox xdotool xprop dbus-run-session; do
    command -v "$tool" >/dev/null || { echo "atspi_e2e: $tool is missing; skipping" >&2; exit 77; }
done
/usr/bin/python3 -c "import pyatspi" 2>/dev/null ||
    { echo "atspi_e2e: python3-pyatspi is missing; skipping" >&2; exit 77; }
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

ip netns exec "$TESTLAN_CAM_A_NS" "$fakecam" \
    --camera id=CAM1,name=Lobby,ip=10.71.1.2,mask=255.255.255.0,gateway=10.71.1.1,dns=10.71.1.1,password=pw \
    >"$work/fakecam.log" &
pids+=($!)
display=:$((50 + RANDOM % 40))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xprop -root >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 0.5
dbus-run-session -- /usr/bin/python3 "$(dirname "$0")/atspi_check.py" "$vantrel" "$work/fakecam.log"
