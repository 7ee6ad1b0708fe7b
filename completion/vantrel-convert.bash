# SPDX-License-Identifier: BSD-3-Clause
# bash completion for vantrel-convert. The format names come from the program itself
# (--list-formats), so they follow its format table.

_vantrel_convert() {
    local cur prev
    cur="${COMP_WORDS[COMP_CWORD]}"
    prev="${COMP_WORDS[COMP_CWORD-1]}"
    case "$prev" in
        -f|--format)
            local formats
            formats=$("${COMP_WORDS[0]}" --list-formats 2>/dev/null | cut -d' ' -f1)
            mapfile -t COMPREPLY < <(compgen -W "$formats" -- "$cur")
            return ;;
        -s|--separator)
            mapfile -t COMPREPLY < <(compgen -W "space tab comma" -- "$cur")
            return ;;
        --time-base)
            mapfile -t COMPREPLY < <(compgen -W "relative absolute none" -- "$cur")
            return ;;
        -o|--output)
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            return ;;
        --output-dir)
            mapfile -t COMPREPLY < <(compgen -d -- "$cur")
            return ;;
        --names)
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            return ;;
        --name)
            COMPREPLY=()
            return ;;
        -j|--jobs)
            mapfile -t COMPREPLY < <(compgen -W "0 1 2 4 8" -- "$cur")
            return ;;
        --scans|--time|--channels|--columns|:)
            # Numbers of the user's choosing: no file names. Bash splits "100:200" at the
            # colon, so a word after one is the end of such a range.
            COMPREPLY=()
            return ;;
    esac
    if [[ "$cur" == ":" ]]; then
        COMPREPLY=()
        return
    fi
    if [[ "$cur" == -* ]]; then
        local options="--help --version --info --json --queue --list-formats --format
            --separator --no-title --compress --decimal-comma --time-base --output --output-dir
            --no-clobber --jobs --progress --quiet --scans --time --channels --columns
            --names --name --title-names"
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
        return
    fi
    # Recordings first; any file may be one.
    mapfile -t COMPREPLY < <(compgen -f -X '!*.[dD][aA][qtQT]' -- "$cur"; compgen -d -- "$cur")
}
complete -o filenames -F _vantrel_convert vantrel-convert
