#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the Windows downloads:
#   build/windows/vantrel-VERSION-windows-x64.zip, by CPack: vantrel.exe,
#     vantrel-cli.exe (static, stripped), LICENSE.txt and README-windows.txt;
#   build/windows/vantrel-setup-VERSION-x64.exe, by NSIS from the same files.
# Then checks them as a user gets them: the zip unpacks, and the unpacked
# vantrel-cli.exe, under Wine in the test LAN, finds the cameras on both
# segments and does its work; the installer installs silently into a fresh
# prefix, its window lists a camera, and it uninstalls cleanly.
# Runs after scripts/test.sh windows, or on its own.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh windows
cmake --preset windows >/dev/null
cmake --build --preset windows
rm -f build/windows/vantrel-*-windows-x64.zip build/windows/vantrel-setup-*-x64.exe
(cd build/windows && cpack -G ZIP >/dev/null)
zip=$(ls build/windows/vantrel-*-windows-x64.zip)
name=$(basename "$zip" .zip)
version=${name#vantrel-}
version=${version%-windows-x64}

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
(cd "$unpacked" && cmake -E tar xf "$OLDPWD/$zip")
listing=$(cd "$unpacked" && find . -type f | sort | tr '\n' ' ')
expected="./$name/LICENSE.txt ./$name/README-windows.txt ./$name/vantrel-cli.exe ./$name/vantrel.exe "
[ "$listing" = "$expected" ] || { echo "the zip holds: $listing" >&2; exit 1; }
grep -q $'^ *netsh advfirewall firewall add rule .*localport=10000\r$' \
    "$unpacked/$name/README-windows.txt" || { echo "README-windows.txt has no firewall line" >&2; exit 1; }
echo "built $zip ($(du -k "$zip" | cut -f1) KiB), holding: $listing"
echo "vantrel.exe: $(($(stat -c %s "$unpacked/$name/vantrel.exe") / 1024)) KiB," \
    "vantrel-cli.exe: $(($(stat -c %s "$unpacked/$name/vantrel-cli.exe") / 1024)) KiB"

cp res/icons/vantrel.ico "$unpacked/$name/"
installer=$PWD/build/windows/vantrel-setup-$version-x64.exe
makensis -V2 -DVERSION="$version" -DFILES="$unpacked/$name" -DOUTFILE="$installer" \
    packaging/windows/vantrel.nsi
echo "built $installer ($(($(stat -c %s "$installer") / 1024)) KiB)"

windows=$PWD/build/windows
[ -d "$windows/wineprefix" ] || cmake/wine-run.sh "$windows/wineprefix" wineboot --init
tests/testlan.sh "$PWD/tests/windows_lan_e2e.sh" "$PWD/cmake/wine-run.sh" \
    "$windows/wineprefix" "$unpacked/$name/vantrel-cli.exe" "$windows/tools/fakecam/fakecam.exe"
tests/with_desktop.sh tests/testlan.sh "$PWD/tests/windows_installer_e2e.sh" "$PWD/cmake/wine-run.sh" \
    "$windows/wineprefix" "$installer" "$windows/tests/command_recorder.exe" \
    "$windows/tests/window_probe.exe" "$windows/tools/fakecam/fakecam.exe"
echo "windows package check: passed"
