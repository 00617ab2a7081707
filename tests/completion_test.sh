#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# vantrel-cli's bash completion on partial command lines, as bash would run
# it on Tab; and each command's options as its --help lists them, so that the
# two never drift apart. Usage: completion_test.sh COMPLETION VANTREL_CLI
set -euo pipefail
completion=$(realpath "$1")
cli=$(realpath "$2")
fail() { echo "FAIL: $*" >&2; exit 1; }
# shellcheck source=/dev/null
source "$completion"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
touch app.bin app.txt site.csv
mkdir images

# Offers for a command line that ends where the cursor is ("" for a new word).
offers() {
    read -r -a COMP_WORDS <<<"$1"
    [[ $1 == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$1
    COMP_POINT=${#1}
    _vantrel_cli
    printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ $//'
}
expect() {
    local got
    got=$(offers "$1")
    [ "$got" = "$2" ] || fail "'$1': offered '$got', not '$2'"
}

expect "vantrel-cli " "--help --version list set-network upgrade"
expect "vantrel-cli s" "set-network"
expect "vantrel-cli list --format " "csv json table"
expect "vantrel-cli list --format j" "json"
expect "vantrel-cli list --f" "--format"
expect "vantrel-cli upgrade --image a" "app.bin app.txt"
expect "vantrel-cli upgrade --image i" "images"
expect "vantrel-cli set-network --plan s" "site.csv"
expect "vantrel-cli set-network --password-file a" "app.bin app.txt"
expect "vantrel-cli upgrade --report s" "site.csv"
expect "vantrel-cli set-network --ip-f" "--ip-from"
expect "vantrel-cli set-network --d" "--dhcp --dns --dry-run"
expect "vantrel-cli upgrade --no" "--no-wait"
expect "vantrel-cli upgrade CAM1 " ""
expect "vantrel-cli set-network --ip " ""
echo "completion offers commands, options, formats and files"

# Every option each command's --help lists, and no other, is offered.
for command in list set-network upgrade; do
    listed=$("$cli" "$command" --help | grep -oE '^  (-h,)?--[a-z-]+' | sed 's/^  \(-h,\)\?//' |
        sort | tr '\n' ' ' | sed 's/ $//')
    offered=$(offers "vantrel-cli $command --" | tr ' ' '\n' | sort | tr '\n' ' ' | sed 's/ $//')
    [ "$listed" = "$offered" ] || fail "$command: --help lists '$listed', completion offers '$offered'"
done
echo "completion offers each command's options as its --help lists them"
