# Bash completion of the command line of quillmark and brightfen (installed once per program).
# Folder names and restore points are asked of the program itself, on the prefix
# the line names (--prefix, else $WINEPREFIX), and the drive it names.

# The value given to option $1 on the line, empty when none.
_settings_tool_value() {
    local i
    for ((i = 1; i < ${#COMP_WORDS[@]} - 1; i++)); do
        [[ ${COMP_WORDS[i]} == "$1" && i+1 -ne COMP_CWORD ]] && { printf '%s' "${COMP_WORDS[i+1]}"; return; }
    done
}

# The program's answer to "$@" (one candidate a line), on the line's prefix.
_settings_tool_ask() {
    local prefix
    prefix=$(_settings_tool_value --prefix)
    prefix=${prefix/#\~/$HOME}
    if [[ -n $prefix ]]; then
        "${COMP_WORDS[0]}" --prefix "$prefix" "$@" 2>/dev/null
    else
        "${COMP_WORDS[0]}" "$@" 2>/dev/null
    fi
}

# COMPREPLY: the lines of standard input that begin with $1, each one word.
_settings_tool_offer() {
    local line
    COMPREPLY=()
    while IFS= read -r line; do
        [[ -n $line && $line == "$1"* ]] && COMPREPLY+=("$line")
    done
    # Names with spaces or quotes are offered escaped, as file names are.
    compopt -o filenames 2>/dev/null
}

_settings_tool() {
    local cur prev sub i
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    sub=
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
            list|drives|folders|save|register|new-folder|undo-register|compare) sub=${COMP_WORDS[i]}; break ;;
        esac
    done
    case $prev in
        --prefix) COMPREPLY=($(compgen -d -- "$cur")); return ;;
        --drive)
            local prefix letters=() d
            prefix=$(_settings_tool_value --prefix)
            prefix=${prefix/#\~/$HOME}
            prefix=${prefix:-${WINEPREFIX:-$HOME/.wine}}
            for d in "$prefix"/dosdevices/?:; do [ -e "$d" ] || [ -L "$d" ] && letters+=("${d##*/}"); done
            COMPREPLY=($(compgen -W "${letters[*]^^}" -- "${cur^^}")); return ;;
        --folder)
            local drive
            drive=$(_settings_tool_value --drive)
            [[ -n $drive ]] && _settings_tool_offer "$cur" < <(_settings_tool_ask folders --drive "$drive" --names-only)
            return ;;
        --id)
            # The points not undone yet: the first field of the list's lines marked "-".
            local id rest
            _settings_tool_offer "$cur" < <(_settings_tool_ask undo-register --list |
                while IFS=$'\t' read -r id rest; do [[ $rest == *$'\t-' ]] && printf '%s\n' "$id"; done)
            return ;;
        --sets|--wait) return ;;
    esac
    local common="--json --prefix --quiet --verbose --help"
    case $sub in
        "") COMPREPLY=($(compgen -W "list drives folders save register new-folder undo-register compare --help --version --prefix --json" -- "$cur")) ;;
        list) COMPREPLY=($(compgen -W "$common --drive --folder" -- "$cur")) ;;
        drives) COMPREPLY=($(compgen -W "$common" -- "$cur")) ;;
        folders|new-folder) COMPREPLY=($(compgen -W "$common --drive" -- "$cur")) ;;
        save|register) COMPREPLY=($(compgen -W "$common --drive --folder --sets --all --dry-run --yes --wait" -- "$cur")) ;;
        undo-register) COMPREPLY=($(compgen -W "$common --list --id --yes --wait" -- "$cur")) ;;
        compare) COMPREPLY=($(compgen -W "$common --drive --folder --sets --all" -- "$cur")) ;;
    esac
}
complete -F _settings_tool quillmark brightfen
