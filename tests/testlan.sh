#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds a small LAN of network namespaces, runs a command in it, and removes
# everything it made on every exit.
#
#   host ns ─ br1 10.71.1.1/24 ─┬─ ns cam-a  10.71.1.2/24    (matching subnet)
#             (no default route) └─ ns cam-x  172.29.5.20/24  (foreign subnet, same wire)
#           ─ hb  10.71.2.1/24 ─── ns cam-b  10.71.2.2/24    (second segment)
#
# The command runs inside the host namespace; these variables tell it where
# the cameras live: TESTLAN_HOST_NS, TESTLAN_CAM_A_NS, TESTLAN_CAM_X_NS,
# TESTLAN_CAM_B_NS. Start a camera with: ip netns exec "$TESTLAN_CAM_A_NS" fakecam ...
#
# Usage: tests/testlan.sh COMMAND [ARGS...]
# Exits 77 (a skip for CTest) where namespaces cannot be made.
set -euo pipefail

if [ $# -eq 0 ]; then
    echo "usage: $0 COMMAND [ARGS...]" >&2
    exit 2
fi

id="vt$$"
host="${id}-host"
cam_a="${id}-cam-a"
cam_x="${id}-cam-x"
cam_b="${id}-cam-b"
made=()

cleanup() {
    for ns in "${made[@]}"; do
        pids=$(ip netns pids "$ns" 2>/dev/null || true)
        [ -n "$pids" ] && kill $pids 2>/dev/null || true
    done
    sleep 0.2
    for ns in "${made[@]}"; do
        pids=$(ip netns pids "$ns" 2>/dev/null || true)
        [ -n "$pids" ] && kill -9 $pids 2>/dev/null || true
        ip netns del "$ns" 2>/dev/null || true
    done
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A run that was killed outright (a test timeout) could not clean up; its
# namespaces carry the number of a process that is gone.
for ns in $(ip netns list 2>/dev/null | grep -oE '^vt[0-9]+-[a-z-]+' || true); do
    owner=${ns%%-*}
    owner=${owner#vt}
    if [ ! -d "/proc/$owner" ]; then
        pids=$(ip netns pids "$ns" 2>/dev/null || true)
        [ -n "$pids" ] && kill -9 $pids 2>/dev/null || true
        ip netns del "$ns" 2>/dev/null || true
    fi
done

if [ "$(id -u)" -ne 0 ] || ! command -v ip >/dev/null || ! ip netns add "$host" 2>/dev/null; then
    echo "testlan: cannot make network namespaces here (needs root and iproute2); skipping" >&2
    exit 77
fi
made+=("$host")
for ns in "$cam_a" "$cam_x" "$cam_b"; do
    ip netns add "$ns"
    made+=("$ns")
done

inside() { local ns=$1; shift; ip netns exec "$ns" "$@"; }

for ns in "$host" "$cam_a" "$cam_x" "$cam_b"; do
    inside "$ns" ip link set lo up
    # Replies from a camera on a foreign subnet have no route back; a
    # reverse-path filter would drop them before any program sees them.
    inside "$ns" sysctl -qw net.ipv4.conf.all.rp_filter=0 net.ipv4.conf.default.rp_filter=0
done

ip -n "$host" link add br1 type bridge
ip -n "$host" link add ha type veth peer name eth0 netns "$cam_a"
ip -n "$host" link add hx type veth peer name eth0 netns "$cam_x"
ip -n "$host" link add hb type veth peer name eth0 netns "$cam_b"
ip -n "$host" link set ha master br1
ip -n "$host" link set hx master br1
for link in br1 ha hx hb; do
    ip -n "$host" link set "$link" up
done
ip -n "$host" addr add 10.71.1.1/24 dev br1
ip -n "$host" addr add 10.71.2.1/24 dev hb

camera_net() {
    local ns=$1 address=$2
    ip -n "$ns" addr add "$address" dev eth0
    ip -n "$ns" link set eth0 up
    ip -n "$ns" route add default dev eth0
}
camera_net "$cam_a" 10.71.1.2/24
camera_net "$cam_x" 172.29.5.20/24
camera_net "$cam_b" 10.71.2.2/24

export TESTLAN_HOST_NS="$host" TESTLAN_CAM_A_NS="$cam_a" TESTLAN_CAM_X_NS="$cam_x" \
    TESTLAN_CAM_B_NS="$cam_b"
status=0
inside "$host" "$@" || status=$?
exit "$status"
