#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A demo LAN: builds the test LAN of network namespaces with a handful of
# simulated cameras, one of each kind of line (port 80, port 8080, a foreign
# subnet, no application firmware; the one on port 8080 sits behind a lossy
# link and answers every other search), starts Vantrel in it on your
# display, and removes everything when Vantrel ends. Needs root:
#   sudo --preserve-env=DISPLAY,XAUTHORITY scripts/demo.sh
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -eq 0 ]; then
    scripts/install-deps.sh
    cmake --preset default >/dev/null
    cmake --build --preset default --target vantrel fakecam
    exec tests/testlan.sh "$PWD/scripts/demo.sh" --inside
fi

fakecam=build/default/tools/fakecam/fakecam
# The cameras own the addresses they report, so their upload side is reachable.
ip -n "$TESTLAN_CAM_A_NS" addr add 10.71.1.20/24 dev eth0
ip -n "$TESTLAN_CAM_A_NS" addr add 10.71.1.21/24 dev eth0
ip -n "$TESTLAN_CAM_B_NS" addr add 10.71.2.30/24 dev eth0
ip netns exec "$TESTLAN_CAM_A_NS" "$fakecam" --upgrade \
    --camera "id=DEMO1,name=Front door,ip=10.71.1.20,mask=255.255.255.0,gateway=10.71.1.1,dns=10.71.1.1,port=80,password=demo" \
    --camera "id=DEMO2,name=Loading bay,ip=10.71.1.21,mask=255.255.255.0,gateway=10.71.1.1,dns=10.71.1.1,port=8081,app=0.0.0.0,password=demo" \
    >/dev/null &
ip netns exec "$TESTLAN_CAM_X_NS" "$fakecam" \
    --camera "id=DEMO3,name=Lobby,ip=172.29.5.20,mask=255.255.255.0,gateway=172.29.5.1,dns=172.29.5.1,password=demo" \
    >/dev/null &
ip netns exec "$TESTLAN_CAM_B_NS" "$fakecam" --upgrade --answer-every 2 \
    --camera "id=DEMO4,name=Yard,ip=10.71.2.30,mask=255.255.255.0,gateway=10.71.2.1,dns=10.71.2.1,port=8080,password=demo" \
    >/dev/null &
echo "demo LAN up; the cameras' password is \"demo\". Close Vantrel to end the demo."
build/default/qt/vantrel
