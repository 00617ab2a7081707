#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What a packager checks: the desktop entry and the AppStream file validate,
# lintian finds nothing to warn of in the .deb, the .deb (its dependencies
# from dpkg-shlibdeps) installs with apt with its licence files, and the
# installed programs work in a test LAN: the window starts, searches and
# ends cleanly; the command-line program lists, re-addresses and upgrades,
# and its bash completion offers what its --help lists.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
desktop-file-validate res/org.vantrel.Vantrel.desktop
appstreamcli validate --no-net res/org.vantrel.Vantrel.metainfo.xml
cmake --preset default >/dev/null
cmake --build --preset default
rm -f build/default/vantrel_*.deb
(cd build/default && cpack -G DEB >/dev/null)
deb=$(ls build/default/vantrel_*.deb)
echo "built $deb; depends: $(dpkg-deb -f "$deb" Depends)"
# Any error or warning fails; each override says why it is right.
lintian --fail-on error,warning "$deb"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" >/dev/null
trap 'DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq vantrel >/dev/null' EXIT
for file in /usr/bin/vantrel /usr/bin/vantrel-cli \
    /usr/share/man/man1/vantrel.1.gz /usr/share/man/man1/vantrel-cli.1.gz \
    /usr/share/doc/vantrel/copyright /usr/share/doc/vantrel/changelog.Debian.gz \
    /usr/share/applications/org.vantrel.Vantrel.desktop \
    /usr/share/metainfo/org.vantrel.Vantrel.metainfo.xml \
    /usr/share/icons/hicolor/scalable/apps/org.vantrel.Vantrel.svg \
    /usr/share/icons/hicolor/48x48/apps/org.vantrel.Vantrel.png \
    /usr/share/icons/hicolor/128x128/apps/org.vantrel.Vantrel.png \
    /usr/share/bash-completion/completions/vantrel-cli; do
    [ -f "$file" ] || { echo "not installed: $file" >&2; exit 1; }
done
tests/testlan.sh "$PWD/tests/app_e2e.sh" /usr/bin/vantrel "$PWD/build/default/tools/fakecam/fakecam"
for page in vantrel vantrel-cli; do
    warnings=$(man --warnings -l "/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
    [ -z "$warnings" ] || { echo "$page(1): $warnings" >&2; exit 1; }
done
tests/testlan.sh "$PWD/tests/cli_e2e.sh" /usr/bin/vantrel-cli "$PWD/build/default/tools/fakecam/fakecam"
tests/completion_test.sh /usr/share/bash-completion/completions/vantrel-cli /usr/bin/vantrel-cli
echo "package check: 4 passed, 0 failed"
