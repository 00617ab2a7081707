#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command while one Wine server serves the prefix. Each test under
# Wine is a program of its own; with no server left running between them,
# every one of them would start Wine anew (about 3 s; 0.1 s with one).
# Usage: with_wineserver.sh PREFIX COMMAND [ARGS...]
set -e
prefix=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
shift
here=$(dirname "$0")
[ -d "$prefix" ] || "$here/../cmake/wine-run.sh" "$prefix" wineboot --init
# A server still up (after wineboot, or another run's) cannot be made to stay.
WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
WINEPREFIX=$prefix wineserver -w
WINEPREFIX=$prefix wineserver -p
trap 'WINEPREFIX=$prefix wineserver -k 2>/dev/null || true' EXIT
# The first program sets the prefix's session up; the tests then find it ready.
"$here/../cmake/wine-run.sh" "$prefix" cmd /c exit
"$@"
