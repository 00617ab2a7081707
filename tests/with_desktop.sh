#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command on a desktop of its own: a virtual X display with a window
# manager, which Wine's windows need (without one, Wine waits up to 2 s for
# each window it hides). Both go when the command ends.
# Usage: with_desktop.sh COMMAND [ARGS...]
set -e
exec xvfb-run -a -s "-screen 0 1280x800x24" sh -c '
    openbox >/dev/null 2>&1 &
    manager=$!
    trap "kill $manager 2>/dev/null" EXIT
    "$@"
' with_desktop "$@"
