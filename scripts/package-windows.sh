#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the Windows download with CPack's ZIP generator,
# build/windows/vantrel-cli-VERSION-windows-x64.zip: vantrel-cli.exe (static,
# stripped), LICENSE.txt and README-windows.txt. Then checks it as a user
# gets it: the zip unpacks, and the unpacked vantrel-cli.exe, under Wine in
# the test LAN, finds the cameras on both segments and does its work.
# Runs after scripts/test.sh windows, or on its own.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh windows
cmake --preset windows >/dev/null
cmake --build --preset windows
rm -f build/windows/vantrel-cli-*-windows-x64.zip
(cd build/windows && cpack -G ZIP >/dev/null)
zip=$(ls build/windows/vantrel-cli-*-windows-x64.zip)
name=$(basename "$zip" .zip)

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
(cd "$unpacked" && cmake -E tar xf "$OLDPWD/$zip")
listing=$(cd "$unpacked" && find . -type f | sort | tr '\n' ' ')
expected="./$name/LICENSE.txt ./$name/README-windows.txt ./$name/vantrel-cli.exe "
[ "$listing" = "$expected" ] || { echo "the zip holds: $listing" >&2; exit 1; }
grep -q $'^ *netsh advfirewall firewall add rule .*localport=10000\r$' \
    "$unpacked/$name/README-windows.txt" || { echo "README-windows.txt has no firewall line" >&2; exit 1; }
echo "built $zip ($(du -k "$zip" | cut -f1) KiB), holding: $listing"

[ -d build/windows/wineprefix ] || cmake/wine-run.sh build/windows/wineprefix wineboot --init
tests/testlan.sh "$PWD/tests/windows_lan_e2e.sh" "$PWD/cmake/wine-run.sh" \
    "$PWD/build/windows/wineprefix" "$unpacked/$name/vantrel-cli.exe" \
    "$PWD/build/windows/tools/fakecam/fakecam.exe"
echo "windows package check: passed"
