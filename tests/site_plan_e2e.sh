#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A site of new cameras set up from one plan, inside the test LAN (run
# through tests/testlan.sh): three cameras out of the box on one address,
# two on the first segment and one on the second, and three more on a
# foreign subnet, one of them with another password.
# Usage: site_plan_e2e.sh VANTREL_CLI FAKECAM
set -euo pipefail
cli=$1
fakecam=$2
# shellcheck source=tests/cli_e2e_common.sh
source "$(dirname "$0")/cli_e2e_common.sh"
export VANTREL_PASSWORD=pw
sent_nothing() {
    if grep -h "recv set-network" "$work"/cam-*.log; then fail "$1 sent a request"; fi
}

factory=ip=192.168.1.10,mask=255.255.255.0,gateway=192.168.1.1,dns=192.168.1.1,password=pw
ip netns exec "$TESTLAN_CAM_A_NS" "$fakecam" --camera "id=NEW1,name=Door,$factory" \
    --camera "id=NEW2,name=Hall,$factory" >"$work/cam-a.log" &
pids+=($!)
ip netns exec "$TESTLAN_CAM_B_NS" "$fakecam" --camera "id=NEW3,name=Bay,$factory" \
    >"$work/cam-b.log" &
pids+=($!)
foreign=ip=172.29.5.30,mask=255.255.255.0,gateway=172.29.5.1,dns=172.29.5.1
ip netns exec "$TESTLAN_CAM_X_NS" "$fakecam" --camera "id=X1,$foreign,password=pw" \
    --camera "id=X2,$foreign,password=pw" --camera "id=X3,$foreign,password=other" \
    >"$work/cam-x.log" &
pids+=($!)
for log in cam-a cam-b cam-x; do wait_for "$work/$log.log" "cameras on UDP port"; done

# list tells the cameras on one address apart.
run list --format json
expect_status 0 "list --format json"
"$py" - "$work/out" <<'PY' || fail "the JSON list: $(cat "$work/out")"
import json, sys
cameras = {c["id"]: c for c in json.load(open(sys.argv[1]))["cameras"]}
assert sorted(cameras["NEW1"]["address_shared_with"]) == ["NEW2", "NEW3"], cameras["NEW1"]
assert sorted(cameras["NEW3"]["address_shared_with"]) == ["NEW1", "NEW2"], cameras["NEW3"]
assert sorted(cameras["X1"]["address_shared_with"]) == ["X2", "X3"], cameras["X1"]
PY
run list
grep -q "^NEW1  *Door  *192.168.1.10 \* " "$work/out" || fail "no mark: $(cat "$work/out")"
grep -q "^\* another camera reports this address" "$work/out" || fail "$(cat "$work/out")"
echo "list names the cameras that share an address"

# A plan with problems: every one told with its line, nothing sent.
cat >"$work/clash.csv" <<'CSV'
id,ip,mask,gateway,dns
NEW1,10.71.1.50,255.255.255.0,10.71.1.1,10.71.1.1
NEW2,10.71.1.50,255.255.255.0,10.71.1.1,10.71.1.1
NEW3,10.71.2.1,255.255.255.0,10.71.2.1,10.71.2.1
NEW9,10.71.1.59,255.255.255.0,10.71.1.1,10.71.1.1
CSV
run set-network --plan "$work/clash.csv" --rounds 1
expect_status 2 "a plan with a clash"
grep -qx "vantrel-cli: $work/clash.csv:3: NEW2: 10.71.1.50 is also given to NEW1 (line 2)" \
    "$work/err" || fail "$(cat "$work/err")"
grep -qx "vantrel-cli: $work/clash.csv:4: NEW3: 10.71.2.1 is this computer's own address" \
    "$work/err" || fail "$(cat "$work/err")"
grep -qx "vantrel-cli: $work/clash.csv:5: NEW9: did not answer" "$work/err" ||
    fail "$(cat "$work/err")"
sent_nothing "a plan with a clash"

# Addresses read as people write them: zero-padded cells are decimal; the C
# library's hex and short forms are refused with the field's message.
printf 'id,ip,mask,gateway\nNEW1,010.071.001.050,255.255.255.000,10.71.1.001\n' >"$work/padded.csv"
run set-network --plan "$work/padded.csv" --dry-run --rounds 1
expect_status 0 "a zero-padded plan"
grep -q "^NEW1  *Door  *192.168.1.10  *255.255.255.0  *10.71.1.50  *255.255.255.0$" "$work/out" ||
    fail "the zero-padded dry run: $(cat "$work/out")"
run set-network NEW1 NEW2 --ip-from 10.71.1.060 --mask 255.255.255.0 --gateway 10.71.1.1 \
    --dry-run --rounds 1
expect_status 0 "a zero-padded --ip-from"
grep -q "^NEW2 .* 10.71.1.61  *255.255.255.0$" "$work/out" || fail "$(cat "$work/out")"
printf 'id,ip,gateway\nNEW1,10.71.1.0x32,10.71.1.1\nNEW2,10.71.1.51,10.71.1\n' >"$work/hex.csv"
run set-network --plan "$work/hex.csv" --rounds 1
expect_status 2 "a plan with hex and short addresses"
grep -qx "vantrel-cli: $work/hex.csv:2: NEW1: error ip address setting !" "$work/err" ||
    fail "$(cat "$work/err")"
grep -qx "vantrel-cli: $work/hex.csv:3: NEW2: error gateway setting !" "$work/err" ||
    fail "$(cat "$work/err")"
for option in "--ip 10.71.1.0x1f" "--mask 255.255.255" "--gateway 10.71.1.1.1" "--dns 8.8.8.08x"; do
    # shellcheck disable=SC2086
    run set-network NEW1 $option --rounds 1
    expect_status 2 "set-network $option"
    [ "$(wc -l <"$work/err")" -eq 1 ] && grep -q "setting ! (${option% *} " "$work/err" ||
        fail "set-network $option: $(cat "$work/err")"
done
sent_nothing "hex and short addresses"
echo "zero-padded addresses are decimal; hex and short forms are refused"

# Files that are no plan, image or password file: one line each, status 2.
run set-network --plan "$work" --rounds 1
expect_status 2 "a folder as the plan"
[ "$(cat "$work/err")" = "vantrel-cli: cannot read $work: it is a folder" ] ||
    fail "a folder as the plan: $(cat "$work/err")"
run upgrade NEW1 --image "$work" --rounds 1
expect_status 2 "a folder as the image"
[ "$(cat "$work/err")" = "vantrel-cli: fail to open the file ! ($work: it is a folder)" ] ||
    fail "a folder as the image: $(cat "$work/err")"
run set-network NEW1 --ip 192.168.1.77 --password-file "$work" --rounds 1
expect_status 2 "a folder as the password file"
[ "$(cat "$work/err")" = "vantrel-cli: cannot read the password file $work: it is a folder" ] ||
    fail "a folder as the password file: $(cat "$work/err")"
# Another user may go through the scratch folder, run the program and not
# read the plan.
chmod 711 "$work"
cp "$cli" "$work/vantrel-cli"
printf 'id,ip\nNEW1,10.71.1.50\n' >"$work/private.csv"
chmod 600 "$work/private.csv"
set +e
setpriv --reuid=65534 --regid=65534 --clear-groups "$work/vantrel-cli" set-network \
    --plan "$work/private.csv" >"$work/out" 2>"$work/err"
status=$?
set -e
expect_status 2 "a plan this user may not read"
[ "$(cat "$work/err")" = "vantrel-cli: cannot read $work/private.csv: Permission denied" ] ||
    fail "a plan this user may not read: $(cat "$work/err")"
printf 'id,ip\nNEW1,10.71.1.50\n' | iconv -t UTF-16 >"$work/unicode.txt"
run set-network --plan "$work/unicode.txt" --rounds 1
expect_status 2 "a UTF-16 plan"
grep -q "is saved as UTF-16 (\"Unicode text\"); save it from the spreadsheet as \"CSV UTF-8\"" \
    "$work/err" || fail "a UTF-16 plan: $(cat "$work/err")"
printf 'id,ip\nNEW1,10.71.1.50\0junk\nNEW2,10.71.1.51\n' >"$work/nul.csv"
run set-network --plan "$work/nul.csv" --rounds 1
expect_status 2 "a plan with a NUL byte"
grep -qx "vantrel-cli: $work/nul.csv:2: holds a NUL byte at column 16; a plan is text" \
    "$work/err" || fail "a plan with a NUL byte: $(cat "$work/err")"
head -c 200000 "$fakecam" >"$work/binary.csv"
run set-network --plan "$work/binary.csv" --rounds 1
expect_status 2 "a binary file as the plan"
[ "$(wc -l <"$work/err")" -le 5 ] || fail "a binary plan told $(wc -l <"$work/err") lines"
grep -q "is no CSV plan$" "$work/err" || fail "a binary plan: $(cat "$work/err")"
sent_nothing "files that cannot be read"
echo "a folder, an unreadable file, UTF-16, a NUL byte and binary junk each get their line"

# Another device on the first segment already holds 10.71.1.55: a plan that
# gives it is refused with that device's hardware address, and a range
# passes over it.
ip -n "$TESTLAN_CAM_A_NS" addr add 10.71.1.55/24 dev eth0
holder=$(ip -n "$TESTLAN_CAM_A_NS" -br link show eth0 | awk '{print $3}')
printf 'id,ip,gateway\nNEW1,10.71.1.55,10.71.1.1\nNEW2,172.29.9.9,172.29.9.1\n' >"$work/taken.csv"
run set-network --plan "$work/taken.csv" --rounds 1
expect_status 2 "a plan giving an address in use"
grep -qx "vantrel-cli: $work/taken.csv:2: NEW1: 10.71.1.55 is in use: a device with hardware address $holder answers for it" \
    "$work/err" || fail "an address in use: $(cat "$work/err")"
[ "$(wc -l <"$work/err")" -eq 2 ] || fail "one problem and the last line: $(cat "$work/err")"
sent_nothing "a plan giving an address in use"
start=$SECONDS
run set-network NEW1 NEW2 --ip-from 10.71.1.54 --mask 255.255.255.0 --gateway 10.71.1.1 \
    --dry-run --rounds 1
expect_status 0 "a range across an address in use"
grep -qx "vantrel-cli: skipped 10.71.1.55: a device with hardware address $holder answers for it" \
    "$work/err" || fail "the skipped address: $(cat "$work/err")"
grep -q "^NEW1 .* 10.71.1.54  *255.255.255.0$" "$work/out" || fail "$(cat "$work/out")"
grep -q "^NEW2 .* 10.71.1.56  *255.255.255.0$" "$work/out" || fail "$(cat "$work/out")"
echo "the range passed over the address in use; asking the link took about $((SECONDS - start)) s"
ip -n "$TESTLAN_CAM_A_NS" addr del 10.71.1.55/24 dev eth0

# The good plan, as a spreadsheet saves it: byte-order mark, CRLF, quotes.
printf '\xef\xbb\xbfid,ip,mask,gateway,dns\r\n"NEW1",10.71.1.50,255.255.255.0,10.71.1.1,10.71.1.1\r\n"NEW2",10.71.1.51,255.255.255.0,10.71.1.1,10.71.1.1\r\nNEW3,10.71.2.50,255.255.255.0,10.71.2.1,10.71.2.1\r\n' \
    >"$work/site.csv"
run set-network --plan "$work/site.csv" --dry-run --rounds 1
expect_status 0 "--dry-run"
grep -q "^NEW3  *Bay  *192.168.1.10  *255.255.255.0  *10.71.2.50  *255.255.255.0$" "$work/out" ||
    fail "the dry run: $(cat "$work/out")"
sent_nothing "--dry-run"
echo "a plan with problems and a dry run send nothing"

run set-network --plan "$work/site.csv" --rounds 1 --report "$work/site.json"
expect_status 0 "the site plan"
grep -q "^3 changed$" "$work/out" || fail "the result: $(cat "$work/out")"
"$py" - "$work/site.json" <<'PY' || fail "the report: $(cat "$work/site.json")"
import json, sys
report = json.load(open(sys.argv[1]))
cameras = {c["id"]: c for c in report["cameras"]}
assert sorted(cameras) == ["NEW1", "NEW2", "NEW3"], cameras
assert all(c["result"] == "changed" for c in cameras.values()), cameras
assert cameras["NEW3"]["before"]["ip"] == "192.168.1.10"
assert cameras["NEW3"]["now"]["ip"] == "10.71.2.50"
assert cameras["NEW2"]["line"] == 3
PY
# Every camera hears every request; each acts only on its own id.
[ "$(grep -c "recv set-network id=NEW[12] .* -> result 0" "$work/cam-a.log")" -eq 2 ] ||
    fail "$(cat "$work/cam-a.log")"
grep -q "recv set-network id=NEW3 for no camera here" "$work/cam-a.log" ||
    fail "$(cat "$work/cam-a.log")"
run list --format csv --rounds 1
for camera in NEW1,Door,10.71.1.50 NEW2,Hall,10.71.1.51 NEW3,Bay,10.71.2.50; do
    grep -q "^$camera,255.255.255.0,.*,$" "$work/out" || fail "$camera: $(cat "$work/out")"
done
echo "three cameras on one factory address, on both segments, got their own from a plan"

# A range for the cameras on a foreign subnet; one refuses the password.
run set-network --foreign --ip-from 10.71.1.60 --mask 255.255.255.0 --gateway 10.71.1.1 \
    --dns 10.71.1.1 --rounds 1 --report "$work/foreign.csv"
expect_status 1 "a range with one camera of another password"
grep -q "^X1  .*  172.29.5.30  *10.71.1.60  *255.255.255.0  *changed$" "$work/out" ||
    fail "$(cat "$work/out")"
grep -q "^X2  .*  10.71.1.61  .*changed$" "$work/out" || fail "$(cat "$work/out")"
grep -q "^X3  .*  10.71.1.62  .*password refused$" "$work/out" || fail "$(cat "$work/out")"
# The now cells are the camera's latest reply since the requests: the run
# settles on the refusal, so they may be empty if no search heard X3 first.
grep -Eq "^X3,Anonymous,0,172.29.5.30,.*,10.71.1.62,(255\.){3}0,10.71.1.1,10.71.1.1,(172\.29\.5\.30,255\.255\.255\.0|,),password refused$" \
    "$work/foreign.csv" || fail "the CSV report: $(cat "$work/foreign.csv")"
if grep "recv set-network id=.* ip=10.71.1.6.* -> result" "$work/cam-a.log" "$work/cam-b.log"; then
    fail "a range for the foreign cameras changed another"
fi
echo "--foreign with --ip-from changes the foreign cameras; the refusing one is named"
