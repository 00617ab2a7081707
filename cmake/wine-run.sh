#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a Windows program under Wine in the build's own prefix, quietly and
# without the prompts for optional Wine add-ons (overrides of the caller's
# own come first).
# Usage: wine-run.sh PREFIX PROGRAM [ARGS...]
set -e
case $1 in
/*) WINEPREFIX=$1 ;;
*) WINEPREFIX=$PWD/$1 ;;
esac
shift
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}mscoree,mshtml="
exec wine "$@"
