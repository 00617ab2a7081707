#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Qt window (qt/: the widgets over the session, which the Windows build
# compiles and tests for real) cannot be
# built for Windows here (Debian has Qt for Linux only), so each of their
# sources is compiled for syntax alone, with the Windows compiler, over the
# host's Qt headers: their Windows branches must at least compile, without
# warnings of their own. (Qt's headers,
# configured for Linux, say nothing about Windows' dllimport; that warning is
# Qt's, not ours.) Usage: qt_layers_syntax.sh CXX SOURCE_DIR
set -euo pipefail
cxx=$1
source_dir=$2
headers=$(qtpaths6 --query QT_INSTALL_HEADERS 2>/dev/null) || {
    echo "qt_layers_syntax: no Qt 6 headers on this machine; skipping" >&2
    exit 77
}
flags=(-fsyntax-only -std=c++20 -Wall -Wextra -Wnon-virtual-dtor -Woverloaded-virtual
    -Wno-attributes -Werror -D_WIN32_WINNT=0x0A00 -DNOMINMAX -DWIN32_LEAN_AND_MEAN
    -I"$source_dir" -I"$headers")
for module in QtCore QtGui QtWidgets QtNetwork; do flags+=(-I"$headers/$module"); done
failed=0
checked=0
for source in "$source_dir"/qt/*.cpp; do
    checked=$((checked + 1))
    if ! "$cxx" "${flags[@]}" "$source"; then
        echo "FAIL: ${source#"$source_dir"/}" >&2
        failed=$((failed + 1))
    fi
done
echo "qt_layers_syntax: $checked sources, $failed failed"
[ "$failed" -eq 0 ]
