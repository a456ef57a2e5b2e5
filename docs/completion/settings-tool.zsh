#compdef quillmark brightfen
# Zsh completion of the command line of quillmark and brightfen (installed once per
# program as _quillmark, _brightfen). Folder names and restore points are asked of
# the program itself, on the prefix the line names (--prefix, else $WINEPREFIX),
# and the drive it names.

# The value given to option $1 on the line, empty when none.
_settings_tool_value() {
    local i
    for (( i = 2; i < CURRENT; i++ )); do
        [[ $words[i] == $1 && i+1 -lt CURRENT ]] && { print -r -- $words[i+1]; return }
    done
}

# The program's answer to "$@" (one candidate a line), on the line's prefix.
_settings_tool_ask() {
    local prefix=$(_settings_tool_value --prefix)
    local -a given
    [[ -n $prefix ]] && given=(--prefix ${~prefix})
    $words[1] $given "$@" 2>/dev/null
}

_settings_tool() {
    local -a common=(--json --prefix --quiet --verbose --help) names
    local sub= i prefix drive id rest
    for (( i = 2; i < CURRENT; i++ )); do
        case $words[i] in
            list|drives|folders|save|register|new-folder|undo-register|compare) sub=$words[i]; break ;;
        esac
    done
    case $words[CURRENT-1] in
        --prefix) _files -/; return ;;
        --drive)
            prefix=$(_settings_tool_value --prefix)
            prefix=${~prefix:-${WINEPREFIX:-$HOME/.wine}}
            names=($prefix/dosdevices/?:(N:t:u))
            compadd -- $names; return ;;
        --folder)
            drive=$(_settings_tool_value --drive)
            [[ -n $drive ]] || return 1
            names=(${(f)"$(_settings_tool_ask folders --drive $drive --names-only)"})
            compadd -- $names; return ;;
        --id)
            # The points not undone yet: the list's lines marked "-" at the end.
            names=()
            _settings_tool_ask undo-register --list | while IFS=$'\t' read -r id rest; do
                [[ $rest == *$'\t-' ]] && names+=($id)
            done
            compadd -- $names; return ;;
        --sets|--wait) return 1 ;;
    esac
    case $sub in
        '') compadd -- list drives folders save register new-folder undo-register compare --help --version --prefix --json ;;
        list) compadd -- $common --drive --folder ;;
        drives) compadd -- $common ;;
        folders|new-folder) compadd -- $common --drive ;;
        save|register) compadd -- $common --drive --folder --sets --all --dry-run --yes --wait ;;
        undo-register) compadd -- $common --list --id --yes --wait ;;
        compare) compadd -- $common --drive --folder --sets --all ;;
    esac
}

_settings_tool "$@"
