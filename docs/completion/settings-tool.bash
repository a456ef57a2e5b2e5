# Bash completion of the command line of quillmark and brightfen (installed once per program).
_settings_tool() {
    local cur prev sub i
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    sub=
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
            list|drives|folders|save|register|new-folder|undo-register) sub=${COMP_WORDS[i]}; break ;;
        esac
    done
    case $prev in
        --prefix) COMPREPLY=($(compgen -d -- "$cur")); return ;;
        --drive)
            local prefix=${WINEPREFIX:-$HOME/.wine} letters=()
            local d
            for d in "$prefix"/dosdevices/?:; do [ -e "$d" ] || [ -L "$d" ] && letters+=("${d##*/}"); done
            COMPREPLY=($(compgen -W "${letters[*]^^}" -- "${cur^^}")); return ;;
        --folder|--sets|--id) return ;;
    esac
    local common="--json --prefix --quiet --verbose --help"
    case $sub in
        "") COMPREPLY=($(compgen -W "list drives folders save register new-folder undo-register --help --version --prefix --json" -- "$cur")) ;;
        list) COMPREPLY=($(compgen -W "$common --drive --folder" -- "$cur")) ;;
        drives) COMPREPLY=($(compgen -W "$common" -- "$cur")) ;;
        folders|new-folder) COMPREPLY=($(compgen -W "$common --drive" -- "$cur")) ;;
        save|register) COMPREPLY=($(compgen -W "$common --drive --folder --sets --all --dry-run --yes --wait" -- "$cur")) ;;
        undo-register) COMPREPLY=($(compgen -W "$common --list --id --yes --wait" -- "$cur")) ;;
    esac
}
complete -F _settings_tool quillmark brightfen
