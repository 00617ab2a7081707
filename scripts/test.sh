#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, then configures, builds and runs the whole test
# suite with CTest. Usage: scripts/test.sh [preset]
#   default, asan, tsan: the whole program on Linux
#   windows: the core, the Windows window, vantrel-cli and fakecam
#            cross-built with MinGW-w64, their suites run under Wine on a
#            desktop of their own
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}

scripts/install-deps.sh "$preset"
cmake --preset "$preset"
cmake --build --preset "$preset"
if [ "$preset" = windows ]; then
    tests/with_desktop.sh tests/with_wineserver.sh build/windows/wineprefix ctest --preset "$preset"
else
    ctest --preset "$preset"
fi
