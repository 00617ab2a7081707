#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows programs in the test LAN, under Wine: vantrel-cli.exe finds
# fakecam.exe's cameras on both segments and the foreign subnet, with no
# default route (each search leaves by every interface the Windows way),
# uploads an image to the camera on the second segment, and moves the
# foreign camera home with a plan.
# With the window and its probe, vantrel.exe then lists the same cameras
# in its list box, read from another process as accessibility tools read
# it; a second start hands over; a network change and an upgrade (16 MiB
# at 4 Mbit/s) go through its dialogs, and the window answers the system
# all through the upload. Needs an X display.
# Run by testlan.sh: windows_lan_e2e.sh WINE_RUN BASE_PREFIX CLI_EXE FAKECAM_EXE
#                    [WINDOW_EXE PROBE_EXE]
set -euo pipefail
wine_run=$1
base=$2
cli=$3
fakecam=$4
window=${5:-}
probe=${6:-}
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for prefix in "$work"/prefix-*; do
        [ -d "$prefix" ] && WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    done
    rm -rf "$work"
}
trap 'tc qdisc del dev hb root 2>/dev/null || true; cleanup' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Wine's server makes the sockets of the programs it serves, so each
# namespace needs a server of its own, hence a prefix of its own: linked to
# the build's prefix, with private copies of the registry it writes.
prefix() {
    local made="$work/prefix-$1"
    cp -al "$base" "$made"
    for hive in "$made"/*.reg; do cp --remove-destination "$(readlink -f "$base/${hive##*/}")" "$hive"; done
    echo "$made"
}
in_ns() {
    local ns=$1 name=$2
    shift 2
    ip netns exec "$ns" "$wine_run" "$(prefix "$name")" "$@"
}

[ -d "$base" ] || "$wine_run" "$base" wineboot --init
echo pw >"$work/password"
# The three cameras, each in its namespace with a prefix named after it;
# $1 tells one round of them from the next, $2 is the second camera's
# application firmware.
start_cameras() {
    local round=$1 app_b=$2
    in_ns "$TESTLAN_CAM_A_NS" "cam-a$round" "$fakecam" \
        --camera id=CAMA,name=Gate,ip=10.71.1.2,mask=255.255.255.0,password=pw >"$work/cam-a.log" 2>&1 &
    pids+=($!)
    in_ns "$TESTLAN_CAM_B_NS" "cam-b$round" "$fakecam" --upgrade --save-dir "$work" \
        --restart-after-upgrade 7000 --upgraded-version 2.0.0.0 \
        --camera "id=CAMB,name=Bay,ip=10.71.2.2,mask=255.255.255.0,port=8085,password=pw,app=$app_b" \
        >"$work/cam-b.log" 2>&1 &
    pids+=($!)
    in_ns "$TESTLAN_CAM_X_NS" "cam-x$round" "$fakecam" \
        --camera id=CAMX,name=Far,ip=172.29.5.20,mask=255.255.255.0,password=pw >"$work/cam-x.log" 2>&1 &
    pids+=($!)
    for log in cam-a cam-b cam-x; do
        for _ in $(seq 100); do
            grep -q "cameras on UDP port" "$work/$log.log" 2>/dev/null && break
            sleep 0.1
        done
        grep -q "cameras on UDP port" "$work/$log.log" || fail "$log did not start: $(cat "$work/$log.log")"
    done
}
# Each camera's Wine server ends its programs with it.
stop_cameras() {
    for prefix in "$work"/prefix-cam-*; do
        WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    pids=()
}
start_cameras 1 1.0.0.1
host=$(prefix host)
run() {
    "$wine_run" "$host" "$cli" "$@" >"$work/out" 2>"$work/err"
}

run list --format csv || fail "list: $(cat "$work/err")"
grep -q '^CAMA,Gate,10.71.1.2,.*,true,' "$work/out" || fail "CAMA: $(cat "$work/out")"
grep -q '^CAMB,Bay,10.71.2.2,.*,true,' "$work/out" || fail "CAMB: $(cat "$work/out")"
grep -q '^CAMX,Far,172.29.5.20,.*,false,' "$work/out" || fail "CAMX: $(cat "$work/out")"
echo "list finds both segments and the foreign subnet"

head -c 300000 /dev/urandom >"$work/image.bin"
printf 'BNEG' | dd of="$work/image.bin" conv=notrunc status=none
run upgrade CAMB --image "$work/image.bin" --password-file "$work/password" --rounds 1 \
    --wait-timeout 60 || fail "upgrade: $(cat "$work/err") $(cat "$work/out")"
for _ in $(seq 50); do
    grep -q "upload complete for camera CAMB" "$work/cam-b.log" && break
    sleep 0.1
done
cmp -s "$work/image.bin" "$work/CAMB.bin" || fail "CAMB did not get the image whole"
# Winsock cannot say what the camera acknowledged; its return decides.
grep -q "^CAMB  *Bay  *[0-9]* s  *upgraded: back after [0-9]* s with system firmware 2.0.0.0 (was 1.0.0.1)" \
    "$work/out" || fail "summary: $(cat "$work/out")"
echo "upgrade sends the image whole to the second segment, and waits for the camera's return"

# A plan as a Windows spreadsheet saves it moves the foreign camera home.
printf '\xef\xbb\xbfid,ip,mask,gateway,dns\r\nCAMX,10.71.1.70,255.255.255.0,10.71.1.1,10.71.1.1\r\n' \
    >"$work/site.csv"
run set-network --plan "$work/site.csv" --password-file "$work/password" --rounds 1 ||
    fail "set-network --plan: $(cat "$work/err") $(cat "$work/out")"
grep -q "^CAMX  *Far  *172.29.5.20  *10.71.1.70  *255.255.255.0  *changed" "$work/out" ||
    fail "the plan's result: $(cat "$work/out")"
echo "set-network --plan moves a camera by its id"

[ -n "$window" ] || exit 0
stop_cameras
start_cameras 2 0.0.0.0

# The window: the same three cameras, each line as the Linux window shows it.
window_prefix=$(prefix window)
probe() {
    "$wine_run" "$window_prefix" "$probe" "$@"
}
started=$(date +%s%N)
"$wine_run" "$window_prefix" "$window" >"$work/window.log" 2>&1 &
window_pid=$!
pids+=($window_pid)
for _ in $(seq 100); do probe lines >/dev/null 2>&1 && break; sleep 0.1; done
probe wait-lines 3 20000 || fail "the window lists: $(probe lines)"
echo "the window listed three cameras $((($(date +%s%N) - started) / 1000000)) ms after it started"
probe lines | tr -d '\r' | sort >"$work/lines"
{
    printf '%-25s%s\n' Bay "appication firmware does not exist, please dbclick to upgrade it !"
    printf '%-25s%s\n' Far "subnet does not match, please dbclick to change network settings !"
    printf '%-25s%s\n' Gate "http://10.71.1.2"
} >"$work/expected"
diff -u "$work/expected" "$work/lines" || fail "the window's lines differ from the Linux window's"
echo "another process reads the list's lines, and they are the Linux window's"

# A second start hands over to the first, hidden in the tray, and ends.
probe hide || fail "the window did not hide"
timeout 30 "$wine_run" "$window_prefix" "$window" || fail "the second start did not end well"
probe shown || fail "the second start did not show the first window"
kill -0 "$window_pid" || fail "the first window ended"
echo "a second start shows the first window and ends"

line_of() { probe lines | tr -d '\r' | grep -n "^$1 " | cut -d: -f1 | head -1; }
far=$(($(line_of Far) - 1))
probe network "$far" 10.71.1.60 255.255.255.0 10.71.1.1 10.71.1.1 pw || fail "Network Settings"
probe wait-status "Far: answers with its new settings" 20000 || fail "the change was not confirmed"
echo "Network Settings moves the foreign camera, and the status line confirms it"

# 16 MiB at 4 Mbit/s take about 35 s; the window answers the system all along.
head -c $((16 << 20)) /dev/urandom >"$work/big.bin"
printf 'BNEG' | dd of="$work/big.bin" conv=notrunc status=none
tc qdisc add dev hb root tbf rate 4mbit burst 32kbit latency 400ms
bay=$(($(line_of Bay) - 1))
probe upgrade "$bay" pw "Z:${work//\//\\}\\big.bin" || fail "the firmware dialog"
probe ping-until-status "back after" 120000 || fail "the window stalled or the camera did not come back"
tc qdisc del dev hb root
cmp -s "$work/big.bin" "$work/CAMB.bin" || fail "CAMB did not get the image whole"
echo "the upgrade goes through the firmware dialog, the window answers the whole time, and the status line follows the restart"
