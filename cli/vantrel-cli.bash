# SPDX-License-Identifier: GPL-3.0-or-later
# Bash completion for vantrel-cli: its commands, each command's options, the
# values of --format and file names after the options that take a file.

_vantrel_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local command="" word
    for word in "${COMP_WORDS[@]:1:COMP_CWORD-1}"; do
        case $word in
        list | set-network | upgrade)
            command=$word
            break
            ;;
        esac
    done
    COMPREPLY=()
    case $prev in
    --format)
        mapfile -t COMPREPLY < <(compgen -W "table json csv" -- "$cur")
        return
        ;;
    --image | --plan | --password-file | --report)
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        return
        ;;
    --rounds | --jobs | --wait-timeout | --ip | --mask | --gateway | --dns | --port | --ip-from)
        return # a number or an address, typed by the user
        ;;
    esac
    local words
    case $command in
    "") words="list set-network upgrade --help --version" ;;
    list) words="--rounds --format --watch --help" ;;
    set-network)
        words="--ip --mask --gateway --dns --port --dhcp --ip-from --all --foreign --plan"
        words+=" --dry-run --report --rounds --password-file --help"
        ;;
    upgrade)
        words="--all --image --jobs --rounds --password-file --report --no-wait --wait-timeout"
        words+=" --help"
        ;;
    esac
    # Ids are the cameras' own; only options are offered after a command.
    if [[ -z $command || $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$words" -- "$cur")
    fi
}
complete -F _vantrel_cli vantrel-cli
