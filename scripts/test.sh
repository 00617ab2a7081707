#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, then configures, builds and runs the whole test
# suite with CTest. Usage: scripts/test.sh [preset]   (default, asan, tsan)
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}

scripts/install-deps.sh
cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset"
