#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages that building and testing Vantrel need, and
# only those that are missing. Needs root (or sudo) when something is missing.
# Usage: scripts/install-deps.sh [preset]   (windows adds the cross build's)
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    libgtest-dev libcli11-dev nlohmann-json3-dev libfccp-dev
    clang libclang-rt-14-dev
    iproute2
    qt6-base-dev libgl-dev
    xvfb xdotool trayer openbox x11-utils
    dbus python3-pyatspi at-spi2-core python3-xlib
    desktop-file-utils appstream dpkg-dev man-db python3 lintian
)
if [ "${1:-}" = windows ]; then
    packages+=(g++-mingw-w64-x86-64 googletest wine wine64 nsis)
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
