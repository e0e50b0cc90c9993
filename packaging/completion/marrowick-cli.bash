# bash completion for marrowick-cli                        -*- shell-script -*-
#
# The commands, the ports and the firmware versions come from the program as
# it runs. The options of each command are those `marrowick-cli COMMAND --help`
# names (and --dump wherever --simulate is); the command line's tests compare
# the two.

_marrowick_cli()
{
    local cur prev words cword
    _init_completion || return

    if ((cword == 1)); then
        COMPREPLY=($(compgen -W "$(marrowick-cli --help 2>/dev/null |
            awk '/^  [a-z]/ { print $1 }') --help" -- "$cur"))
        return
    fi

    case $prev in
        --port)
            # The ports the computer has (COM3 and its device), or any path:
            # a pseudo-terminal or a link to one.
            COMPREPLY=($(compgen -W "$(marrowick-cli ports 2>/dev/null |
                awk -F '\t' '/^COM[0-9]/ { print $1; print $2 }')" -- "$cur"))
            [[ $cur == */* ]] && _filedir
            return
            ;;
        --simulate | --model)
            COMPREPLY=($(compgen -W 'K5 R2 T7 L+' -- "$cur"))
            return
            ;;
        --version)
            COMPREPLY=($(compgen -W "$(marrowick-cli images 2>/dev/null |
                awk '{ print $3 }' | sort -u)" -- "$cur"))
            return
            ;;
        --sd)
            COMPREPLY=($(compgen -W 'full micro' -- "$cur"))
            return
            ;;
        --trigger)
            COMPREPLY=($(compgen -W 'open closed' -- "$cur"))
            return
            ;;
        --lockout)
            COMPREPLY=($(compgen -W 'on off' -- "$cur"))
            return
            ;;
        --trigger-a | --trigger-b)
            COMPREPLY=($(compgen -W 'next previous stop show:' -- "$cur"))
            return
            ;;
        --assume-model)
            COMPREPLY=($(compgen -W 'K5' -- "$cur"))
            return
            ;;
        --project | --backup | --export | --dump)
            _filedir -d
            return
            ;;
        --timeout)
            return
            ;;
    esac

    local options files=""
    case ${words[1]} in
        flash)
            options="--port --simulate --dump --version --sd --reset --assume-model --timeout --quiet"
            ;;
        identify)
            options="--port --simulate --dump --timeout --json"
            ;;
        images)
            options="--export --json"
            ;;
        ports)
            options="--json"
            ;;
        read-shows)
            options="--port --simulate --dump --project --force --timeout --quiet"
            ;;
        save-library)
            options="--model --project --json"
            files=sound
            ;;
        send-clips)
            options="--port --simulate --dump --timeout --quiet"
            files=sound
            ;;
        show-table)
            options="--project --model --json"
            ;;
        edit-shows)
            options="--project --model --show --clip --volume --pre-delay --post-delay --trigger --lockout --trigger-a --trigger-b"
            ;;
        write-shows)
            options="--port --simulate --dump --project --backup --verify --timeout --quiet"
            ;;
        *)
            return
            ;;
    esac

    if [[ $cur == -* || -z $files ]]; then
        COMPREPLY=($(compgen -W "$options --help" -- "$cur"))
    else
        _filedir 'wav|mp3'
    fi
} &&
    complete -F _marrowick_cli marrowick-cli

# ex: filetype=sh
