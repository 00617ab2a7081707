#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# vantrel-cli as a user runs it, inside the test LAN (run through
# tests/testlan.sh): cameras on both segments and on a foreign subnet, no
# default route. Usage: cli_e2e.sh VANTREL_CLI FAKECAM
set -euo pipefail
cli=$1
fakecam=$2
# shellcheck source=tests/cli_e2e_common.sh
source "$(dirname "$0")/cli_e2e_common.sh"
# The shaped link of the upload tests goes too.
trap 'tc qdisc del dev ha root 2>/dev/null || true; cleanup' EXIT

mkdir -p "$work/saved-a" "$work/saved-b"
echo pw >"$work/password"
a=ip=10.71.1.2,mask=255.255.255.0,gateway=10.71.1.1,dns=10.71.1.1,password=pw
ip netns exec "$TESTLAN_CAM_A_NS" "$fakecam" --upgrade --save-dir "$work/saved-a" \
    --camera "id=CAM1,name=Gate,$a,port=8081,app=0.0.0.0" \
    --camera "id=CAM2,name=Dock,$a,port=8082" \
    --camera "id=CAM3,name=Yard,$a,port=8083" \
    --camera "id=CAM4,name=Lobby,$a,port=8084" >"$work/cam-a.log" &
pids+=($!)
ip netns exec "$TESTLAN_CAM_B_NS" "$fakecam" --upgrade-fault close-mid-upload \
    --save-dir "$work/saved-b" \
    --camera id=CAMB,name=Bay,ip=10.71.2.2,mask=255.255.255.0,port=8085,password=pw \
    >"$work/cam-b.log" &
camb=$!
pids+=("$camb")
ip netns exec "$TESTLAN_CAM_X_NS" "$fakecam" \
    --camera id=CAMX,name=Foreign,ip=172.29.5.20,mask=255.255.255.0 >"$work/cam-x.log" &
camx=$!
pids+=("$camx")
for log in cam-a cam-b cam-x; do wait_for "$work/$log.log" "cameras on UDP port"; done
ip route | grep -q '^default' && fail "the test LAN has a default route"

# list, in each format, finds every camera on both segments and the foreign one.
run list --format json
expect_status 0 "list --format json"
"$py" - "$work/out" <<'PY' || fail "the JSON list: $(cat "$work/out")"
import json, sys
cameras = {c["id"]: c for c in json.load(open(sys.argv[1]))["cameras"]}
assert sorted(cameras) == ["CAM1", "CAM2", "CAM3", "CAM4", "CAMB", "CAMX"], cameras.keys()
assert sorted(cameras["CAM2"].pop("address_shared_with")) == ["CAM1", "CAM3", "CAM4"]
assert cameras["CAMX"]["address_shared_with"] == []
assert cameras["CAM2"] == {
    "id": "CAM2", "name": "Dock", "ip": "10.71.1.2", "mask": "255.255.255.0",
    "gateway": "10.71.1.1", "dns": "10.71.1.1", "http_port": 8082,
    "system_version": "1.0.0.1", "app_version": "1.0.0.1", "local_subnet": True,
    "web_address": "http://10.71.1.2:8082", "status": "http://10.71.1.2:8082"}, cameras["CAM2"]
assert cameras["CAM1"]["app_version"] is None
assert cameras["CAM1"]["status"].startswith("appication firmware does not exist")
assert cameras["CAMB"]["local_subnet"] is True
assert cameras["CAMX"]["local_subnet"] is False
assert cameras["CAMX"]["status"].startswith("subnet does not match")
PY
run list --format csv
expect_status 0 "list --format csv"
[ "$(cut -d, -f1 "$work/out" | tr '\n' ' ')" = "id CAM1 CAM2 CAM3 CAM4 CAMB CAMX " ] ||
    fail "the CSV list: $(cat "$work/out")"
run list
expect_status 0 "list"
grep -q "^ID  *NAME  *ADDRESS" "$work/out" || fail "the table has no heading: $(cat "$work/out")"
grep -q "^CAMX  *Foreign  *172.29.5.20 .*  no  *subnet does not match" "$work/out" ||
    fail "the table: $(cat "$work/out")"
echo "list finds every camera in every format, without a default route"

# A running copy holds port 10000: a second one says so and what to do.
"$cli" list --watch >"$work/watch.out" 2>"$work/watch.err" &
watcher=$!
pids+=("$watcher")
# Cameras answer in any order: wait for each line the checks below read.
wait_for "$work/watch.out" "CAMX"
wait_for "$work/watch.out" "CAM1"
run list
expect_status 3 "list beside a running copy"
grep -q "port 10000 is in use" "$work/err" || fail "no word of the busy port: $(cat "$work/err")"
grep -q "^+	CAM1	Gate	10.71.1.2	appication" "$work/watch.out" ||
    fail "the watch lines: $(cat "$work/watch.out")"
kill -INT "$watcher"
set +e
wait "$watcher"
watch_status=$?
set -e
[ "$watch_status" -eq 0 ] || fail "list --watch did not end cleanly on Ctrl+C ($watch_status)"
echo "a busy port is explained; --watch ends cleanly on Ctrl+C"

# set-network: the dialog's checks and messages, nothing sent when they fail.
VANTREL_PASSWORD=pw run set-network CAM4 --ip 10.71.1.60 --mask 255.0.255.0 --rounds 1
expect_status 2 "set-network with a bad mask"
grep -qx "vantrel-cli: error subnet mask setting !" "$work/err" || fail "$(cat "$work/err")"
VANTREL_PASSWORD=pw run set-network CAM4 --port 10000 --rounds 1
expect_status 2 "set-network to port 10000"
grep -qx "vantrel-cli: the http port can not be 0 or 10000 !" "$work/err" || fail "$(cat "$work/err")"
grep -q "recv set-network" "$work/cam-a.log" && fail "a refused setting was sent"
VANTREL_PASSWORD=guess run set-network CAM4 --ip 10.71.1.60 --rounds 1
expect_status 4 "set-network with a wrong password"
grep -qx "vantrel-cli: incorrect password !" "$work/err" || fail "$(cat "$work/err")"
VANTREL_PASSWORD=wrong-too run set-network CAM4 --ip 10.71.1.60 --password-file "$work/password" \
    --rounds 1
expect_status 0 "set-network with the password file"
grep -qx "CAM4: 10.71.1.60, mask 255.255.255.0, gateway 10.71.1.1, DNS 10.71.1.1, HTTP port 8084" \
    "$work/out" || fail "set-network said: $(cat "$work/out")"
run list --format csv
grep -q "^CAM4,Lobby,10.71.1.60," "$work/out" || fail "the next list: $(cat "$work/out")"
VANTREL_PASSWORD=pw run set-network NOPE
expect_status 5 "set-network to an unknown id"
grep -q "no camera NOPE answered; these did: .*CAM1" "$work/err" || fail "$(cat "$work/err")"
echo "set-network checks, refuses a wrong password, and the next list shows the change"

# upgrade: three cameras byte for byte at once, the faulted one fails alone.
head -c 3000000 /dev/urandom >"$work/image.bin"
printf 'BNEG' | dd of="$work/image.bin" conv=notrunc status=none
head -c 5000 /dev/urandom >"$work/nomark.bin"
VANTREL_PASSWORD=pw run upgrade CAM1 --image "$work/nomark.bin" --rounds 1
expect_status 2 "upgrade with an image without a mark"
grep -q "is no firmware image" "$work/err" || fail "$(cat "$work/err")"
grep -q "recv login" "$work/cam-a.log" && fail "an image without a mark reached a camera"
VANTREL_PASSWORD=pw run upgrade CAM1 CAM2 CAM3 CAMB --image "$work/image.bin" --jobs 3 --rounds 1 \
    --no-wait
expect_status 1 "upgrade with one faulted camera"
for id in CAM1 CAM2 CAM3; do
    cmp -s "$work/image.bin" "$work/saved-a/$id.bin" || fail "$id did not get the image whole"
    grep -q "^$id  *[A-Za-z]*  *[0-9]* s  *delivered$" "$work/out" || fail "summary: $(cat "$work/out")"
done
grep -q "^CAMB  *Bay  *[0-9]* s  *failed: socket error ! (the camera closed the connection after [0-9 ]* of 3 000 000 bytes)$" \
    "$work/out" || fail "summary: $(cat "$work/out")"
echo "upgrade --jobs 3 sends each image whole; the faulted camera fails alone"

# Over a slow link, nothing but a second Ctrl+C cuts an upload: not the
# first Ctrl+C, not SIGTERM, not the terminal going away.
tc qdisc add dev ha root tbf rate 16mbit burst 32kbit latency 400ms
head -c 12000000 /dev/urandom >"$work/big.bin"
printf 'BNEG' | dd of="$work/big.bin" conv=notrunc status=none
# Starts an upgrade of CAM1 in the background ($upgrader), once it is uploading.
# The last run's output goes first: its "uploading" would let a signal reach
# the new run before that has even started.
start_upgrade() {
    rm -f "$work/saved-a/CAM1.bin" "$work/report.json" "$work/out"
    VANTREL_PASSWORD=pw "$cli" upgrade --all --image "$work/big.bin" --rounds 1 --no-wait \
        --report "$work/report.json" >"$work/out" 2>"$work/err" &
    upgrader=$!
    pids+=("$upgrader")
    wait_for "$work/out" "CAM1: uploading" 150
}
finish_upgrade() {
    set +e
    wait "$upgrader"
    status=$?
    set -e
}
report_says() {  # report_says RESULT NEEDS_NEW_UPLOAD
    "$py" - "$work/report.json" "$1" "$2" <<'PY' || fail "the report: $(cat "$work/report.json")"
import json, sys
report = json.load(open(sys.argv[1]))
camera, = report["cameras"]
assert camera["id"] == "CAM1" and camera["result"] == sys.argv[2], camera
assert camera["needs_new_upload"] == (sys.argv[3] == "yes"), camera
PY
}

start_upgrade
kill -INT "$upgrader"
finish_upgrade
expect_status 130 "upgrade after one Ctrl+C"
grep -q "^upgrading 1 camera with the system image" "$work/out" ||
    fail "--all chose other than the one offering an upgrade: $(cat "$work/out")"
grep -q "1 upload is finishing; press Ctrl+C again to break them off" "$work/err" ||
    fail "no word of the finishing upload: $(cat "$work/err")"
cmp -s "$work/big.bin" "$work/saved-a/CAM1.bin" || fail "one Ctrl+C cut the image"
grep -q "^CAM1  *Gate  *[0-9]* s  *delivered$" "$work/out" || fail "summary: $(cat "$work/out")"
report_says delivered no
echo "one Ctrl+C lets the upload finish, and says so"

start_upgrade
kill -TERM "$upgrader"
finish_upgrade
expect_status 143 "upgrade after SIGTERM"
cmp -s "$work/big.bin" "$work/saved-a/CAM1.bin" || fail "SIGTERM cut the image"
echo "SIGTERM lets the upload finish and ends with 143"

start_upgrade
kill -INT "$upgrader"
sleep 0.3
kill -INT "$upgrader"
finish_upgrade
expect_status 130 "upgrade after two Ctrl+C"
grep -q "^CAM1  *Gate  *[0-9]* s  *broken off at [0-9]* %: it needs a new upload" "$work/out" ||
    fail "summary: $(cat "$work/out")"
report_says "broken off" yes
wait_for "$work/cam-a.log" "upload broken off for camera CAM1"
echo "a second Ctrl+C breaks the upload off, and the summary says it needs a new one"

# The terminal goes away (an SSH session drops): the upload runs to its end.
"$py" - "$cli" "$work" <<'PY' || fail "after a hang-up: $(cat "$work/report.json" 2>/dev/null)"
import os, pty, select, sys, time
cli, work = sys.argv[1], sys.argv[2]
for name in ("saved-a/CAM1.bin", "report.json"):
    if os.path.exists(os.path.join(work, name)):
        os.remove(os.path.join(work, name))
pid, master = pty.fork()
if pid == 0:
    os.environ["VANTREL_PASSWORD"] = "pw"
    os.execv(cli, [cli, "upgrade", "--all", "--image", work + "/big.bin", "--rounds", "1",
                   "--no-wait", "--report", work + "/report.json"])
seen, deadline = b"", time.monotonic() + 15
while b"uploading" not in seen and time.monotonic() < deadline:
    if select.select([master], [], [], 0.5)[0]:
        seen += os.read(master, 4096)
assert b"uploading" in seen, seen
os.close(master)  # the terminal hangs up on the program
_, status = os.waitpid(pid, 0)
assert os.WIFEXITED(status) and os.WEXITSTATUS(status) == 0, status
PY
cmp -s "$work/big.bin" "$work/saved-a/CAM1.bin" || fail "a hang-up cut the image"
report_says delivered no
echo "a hang-up lets the upload run to its end; the report and the status say how it went"
tc qdisc del dev ha root

# Done means the camera came back: it restarts after a whole image and is
# followed through the searches until it answers again.
restarting_camera() {  # restarting_camera FAKECAM_OPTIONS...
    kill "$camb" 2>/dev/null || true
    wait "$camb" 2>/dev/null || true
    : >"$work/cam-b.log"
    ip netns exec "$TESTLAN_CAM_B_NS" "$fakecam" --upgrade "$@" \
        --camera id=CAMB,name=Bay,ip=10.71.2.2,mask=255.255.255.0,port=8085,password=pw \
        >"$work/cam-b.log" &
    camb=$!
    pids+=("$camb")
    wait_for "$work/cam-b.log" "cameras on UDP port"
}
restarting_camera --restart-after-upgrade 4000 --upgraded-version 2.0.0.0
VANTREL_PASSWORD=pw run upgrade CAMB --image "$work/image.bin" --rounds 2 --wait-timeout 30
expect_status 0 "an upgrade whose camera comes back"
grep -q "^CAMB  *Bay  *[0-9]* s  *upgraded: back after [0-9]* s with system firmware 2.0.0.0 (was 1.0.0.1)$" \
    "$work/out" || fail "summary: $(cat "$work/out")"
# Silent for two searches: a restart, not a lost reply.
restarting_camera --restart-after-upgrade 8000
VANTREL_PASSWORD=pw run upgrade CAMB --image "$work/image.bin" --rounds 2 --wait-timeout 30
expect_status 0 "an upgrade whose camera comes back unchanged"
grep -q "^warning: CAMB is back, but it still reports 1.0.0.1: it may have refused the image$" \
    "$work/out" || fail "summary: $(cat "$work/out")"
restarting_camera --restart-after-upgrade 600000
VANTREL_PASSWORD=pw run upgrade CAMB --image "$work/image.bin" --rounds 2 --wait-timeout 8
expect_status 6 "an upgrade whose camera does not come back"
grep -q "^CAMB  *Bay  *[0-9]* s  *not back after 8 s: do not power it off; check it$" "$work/out" ||
    fail "summary: $(cat "$work/out")"
echo "an upgrade ends when the camera is back, says so when it is unchanged, and when it is not back"

# A camera behind a lossy link answers every other search: --watch keeps it
# listed, and says it went once it has missed two searches in a row (the
# second one's answers are awaited until the next search: 6 to 9 s).
kill "$camx"
wait "$camx" 2>/dev/null || true
ip netns exec "$TESTLAN_CAM_X_NS" "$fakecam" --answer-every 2 \
    --camera id=CAMF,name=Flaky,ip=172.29.5.21,mask=255.255.255.0 >"$work/cam-f.log" &
flaky=$!
pids+=("$flaky")
wait_for "$work/cam-f.log" "cameras on UDP port"
"$cli" list --watch >"$work/watch.out" 2>"$work/watch.err" &
watcher=$!
pids+=("$watcher")
wait_for "$work/watch.out" "^+	CAMF"
sleep 30
[ "$(grep -c "recv search" "$work/cam-f.log")" -ge 9 ] ||
    fail "the flaky camera saw few searches: $(cat "$work/cam-f.log")"
grep -q "^-	CAMF" "$work/watch.out" && fail "a flaky camera was shown as gone: $(cat "$work/watch.out")"
[ "$(grep -c "^+	CAMF" "$work/watch.out")" -eq 1 ] || fail "listed again: $(cat "$work/watch.out")"
kill "$flaky"
wait "$flaky" 2>/dev/null || true
wait_for "$work/watch.out" "^-	CAMF" 100
kill -INT "$watcher"
wait "$watcher" 2>/dev/null || true
echo "--watch keeps a camera that answers every other search, and drops it two searches after it goes"

# A list waits until the answers settle, and a camera that answers 800 ms
# late is still heard by the first list, beside one that answers at once.
ip netns exec "$TESTLAN_CAM_X_NS" "$fakecam" --delay 800 \
    --camera id=CAML,name=Late,ip=172.29.5.22,mask=255.255.255.0 >"$work/cam-l.log" &
pids+=($!)
wait_for "$work/cam-l.log" "cameras on UDP port"
run list --format csv
expect_status 0 "list beside a late camera"
grep -q "^CAML,Late," "$work/out" || fail "the late camera was not listed: $(cat "$work/out")"
grep -q "^CAM1,Gate," "$work/out" || fail "the prompt camera was not listed: $(cat "$work/out")"
[ "$(grep -c "recv search" "$work/cam-l.log")" -ge 2 ] ||
    fail "the list searched once only: $(cat "$work/cam-l.log")"
echo "a list waits for the answers to settle and hears a camera that answers 800 ms late"
