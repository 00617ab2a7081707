#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The installer as an IT department runs it: silently (/S), into a fresh
# Wine prefix. The files, the Start-menu shortcut, the Apps & features
# entry and the firewall commands are there (Wine has no firewall: a
# stand-in netsh records what it is asked); the installed vantrel.exe lists
# a camera of the test LAN; the silent uninstall takes away all it made.
# Run by testlan.sh, on a desktop (with_desktop.sh):
#   windows_installer_e2e.sh WINE_RUN BASE_PREFIX INSTALLER RECORDER_EXE PROBE_EXE FAKECAM_EXE
set -euo pipefail
wine_run=$1
base=$2
installer=$3
recorder=$4
probe=$5
fakecam=$6
work=$(mktemp -d)
cleanup() {
    for prefix in "$work"/fresh "$work"/camera; do
        [ -d "$prefix" ] && WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

fresh=$work/fresh
"$wine_run" "$fresh" wineboot --init 2>/dev/null
cp "$recorder" "$fresh/drive_c/windows/system32/netsh.exe"
export WINEDLLOVERRIDES="netsh.exe=n"
export VANTREL_COMMAND_LOG="Z:${work//\//\\}\\netsh.log"

size_kib=$(($(stat -c %s "$installer") / 1024))
"$wine_run" "$fresh" "$installer" /S || fail "the silent install failed"
WINEPREFIX=$fresh wineserver -w
program="$fresh/drive_c/Program Files/Vantrel"
for file in vantrel.exe vantrel-cli.exe uninstall.exe LICENSE.txt README-windows.txt; do
    [ -f "$program/$file" ] || fail "no $file in Program Files\\Vantrel: $(ls "$program" 2>&1)"
done
shortcut="$fresh/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Vantrel.lnk"
[ -f "$shortcut" ] || fail "no Start-menu shortcut"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantrel'
entry=$("$wine_run" "$fresh" reg query "$key" 2>/dev/null | tr -d '\r')
for value in "DisplayName.*Vantrel" "DisplayVersion.*[0-9]" "Publisher.*The Vantrel developers" \
    'DisplayIcon.*vantrel.exe,0' 'UninstallString.*uninstall.exe' 'EstimatedSize.*0x'; do
    grep -q "$value" <<<"$entry" || fail "Apps & features lacks $value: $entry"
done
rules=$(tr -d '\r' <"$work/netsh.log")
for exe in vantrel.exe vantrel-cli.exe; do
    grep -q "advfirewall firewall add rule .*dir=in action=allow protocol=UDP localport=10000 program=\"C:\\\\Program Files\\\\Vantrel\\\\$exe\"" <<<"$rules" ||
        fail "no firewall rule for $exe: $rules"
done
echo "a silent install ($size_kib KiB) puts the files, the shortcut, the Apps & features entry and the firewall rules in place"

# The installed window lists a camera of the test LAN.
cp -al "$base" "$work/camera"
for hive in "$work"/camera/*.reg; do cp --remove-destination "$(readlink -f "$base/${hive##*/}")" "$hive"; done
ip netns exec "$TESTLAN_CAM_A_NS" "$wine_run" "$work/camera" "$fakecam" \
    --camera id=CAMA,name=Gate,ip=10.71.1.2,mask=255.255.255.0 >"$work/camera.log" 2>&1 &
"$wine_run" "$fresh" "C:\\Program Files\\Vantrel\\vantrel.exe" >/dev/null 2>&1 &
for _ in $(seq 100); do "$wine_run" "$fresh" "$probe" lines >/dev/null 2>&1 && break; sleep 0.1; done
"$wine_run" "$fresh" "$probe" wait-lines 1 20000 || fail "the installed window listed nothing"
"$wine_run" "$fresh" "$probe" lines | grep -q "^Gate  *http://10.71.1.2" ||
    fail "the installed window lists: $("$wine_run" "$fresh" "$probe" lines)"
echo "the installed vantrel.exe lists the camera"
WINEPREFIX=$fresh wineserver -k
WINEPREFIX=$work/camera wineserver -k

"$wine_run" "$fresh" "C:\\Program Files\\Vantrel\\uninstall.exe" /S || fail "the silent uninstall failed"
WINEPREFIX=$fresh wineserver -w
[ ! -e "$program" ] || fail "Program Files\\Vantrel is still there: $(ls "$program")"
[ ! -e "$shortcut" ] || fail "the shortcut is still there"
if "$wine_run" "$fresh" reg query "$key" >/dev/null 2>&1; then fail "the Apps & features entry is still there"; fi
rules=$(tr -d '\r' <"$work/netsh.log")
for exe in vantrel.exe vantrel-cli.exe; do
    grep -q "advfirewall firewall delete rule .*program=\"C:\\\\Program Files\\\\Vantrel\\\\$exe\"" <<<"$rules" ||
        fail "the firewall rule for $exe stays: $rules"
done
echo "the silent uninstall takes away the files, the shortcut, the entry and the firewall rules"
