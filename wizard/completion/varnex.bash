# bash completion for varnex and varnex2007.
#
# Options are offered in the form the usage text shows them; after /TABLES=
# the names come from the program itself (--list-tables on the database the
# command line names), so they are the names a run would accept.

# The words of the line before the one being completed that name the database
# and its password: the table list needs both.
_varnex_database_words()
{
    local word
    local -a found=()
    for word in "${COMP_WORDS[@]:1:COMP_CWORD-1}"; do
        case "${word,,}" in
            *.mdb | *.accdb | *.accde | *.accdt | *.accdr) found[0]=$word ;;
        esac
    done
    # A password split at "=" by the shell's word breaks is put back together.
    local i
    for ((i = 1; i < COMP_CWORD; i++)); do
        case "${COMP_WORDS[i]^^}" in
            [/-]PASSWORD)
                [[ ${COMP_WORDS[i + 1]} == "=" ]] && found[1]="${COMP_WORDS[i]}=${COMP_WORDS[i + 2]}"
                ;;
            [/-]PASSWORD=*) found[1]=${COMP_WORDS[i]} ;;
        esac
    done
    [[ -n ${found[0]:-} ]] || return 1
    # The database word as typed: a leading ~ is the shell's to expand.
    local database=${found[0]}
    [[ $database == "~"/* ]] && database=$HOME/${database#"~/"}
    printf '%s\n' "$database" "${found[1]:-}"
}

# Table names for the value of /TABLES=: the list is separated by ";", so
# only the name after the last one is completed.
_varnex_tables()
{
    local program=$1 value=$2 lead=$3
    local -a words
    mapfile -t words < <(_varnex_database_words) || return
    [[ -n ${words[0]:-} ]] || return
    local done=${value%"${value##*;}"} partial=${value##*;}
    local -a arguments=(--list-tables "${words[0]}")
    [[ -n ${words[1]:-} ]] && arguments+=("${words[1]}")
    local name quoted
    while IFS= read -r name; do
        [[ $name == "$partial"* ]] || continue
        printf -v quoted '%q' "$done$name"
        COMPREPLY+=("$lead$quoted")
    done < <("$program" "${arguments[@]}" 2>/dev/null)
}

_varnex_values()
{
    local option=${1^^} value=$2 lead=$3 program=$4
    local -a choices=()
    case "$option" in
        /FIELDS | -FIELDS) choices=(TAB PIPE NONE ,) ;;
        /RECORDS | -RECORDS) choices=(CRLF CR LF NONE 0) ;;
        /HEADER | -HEADER | /QUOTES | -QUOTES) choices=(0 1) ;;
        /ESCAPE | -ESCAPE) choices=(DQ SQ) ;;
        /CRLF | -CRLF) choices=(KEEP REMOVE REPLACE) ;;
        /OVERWRITE | -OVERWRITE) choices=(NO YES SKIP) ;;
        /EXT | -EXT) choices=(.csv .txt) ;;
        --LINKS) choices=(no yes) ;;
        --FORMAT) choices=(csv jsonl sql:sqlite sql:postgres sql:mysql) ;;
        --SCHEMA) choices=(sqlite postgres mysql) ;;
        --BINARY) choices=(hex base64 skip) ;;
        /TABLES | -TABLES)
            _varnex_tables "$program" "$value" "$lead"
            return
            ;;
        /STATUS | -STATUS)
            mapfile -t COMPREPLY < <(compgen -f -P "$lead" -- "$value")
            return
            ;;
        --LINK-DIR | --ATTACHMENTS)
            mapfile -t COMPREPLY < <(compgen -d -P "$lead" -- "$value")
            return
            ;;
        *) return ;;
    esac
    # Keywords are read in any case, so they are matched so too.
    local choice
    for choice in "${choices[@]}"; do
        [[ ${choice^^} == "${value^^}"* ]] && COMPREPLY+=("$lead$choice")
    done
}

_varnex()
{
    local program=${COMP_WORDS[0]}
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()

    # With "=" among the shell's word breaks (the default) "/FIELDS=TA" comes
    # as three words; without it, as one.
    if [[ $cur == "=" ]]; then
        _varnex_values "$prev" "" "" "$program"
        return
    fi
    if [[ $prev == "=" && COMP_CWORD -ge 2 ]]; then
        _varnex_values "${COMP_WORDS[COMP_CWORD - 2]}" "$cur" "" "$program"
        return
    fi
    if [[ $cur == [/-]*=* ]]; then
        _varnex_values "${cur%%=*}" "${cur#*=}" "${cur%%=*}=" "$program"
        return
    fi

    local -a options=(
        /SILENT /BATCH /FIELDS= /RECORDS= /HEADER= /QUOTES= /ESCAPE= /CRLF=
        /TABLES= /ONLYFIELDS= /EXT= /OVERWRITE= /ANSI /OEM /ASIS /PASSWORD=
        /LOG /STATUS /STATUS= /QUIET /WAIT
        /YYYYMMDD /YYYY.MM.DD /MM.DD.YYYY /MM-DD-YYYY /DD.MM.YYYY /DD-MM-YYYY
        /YYYY-MM-DD /YYYY/MM/DD /MM/DD/YYYY /DD/MM/YYYY
        --link-dir= --links= --list-tables --schema= --version --help
        --format= --data-only --portable --binary= --attachments=
    )
    if [[ $cur == [/-]* ]]; then
        # Keywords match in any case, as the program reads them, and the
        # slash options may be led by "-" as well.
        local option
        for option in "${options[@]}"; do
            [[ $option == /* && $cur == -* && $cur != --* ]] && option=-${option#/}
            [[ ${option^^} == "${cur^^}"* ]] && COMPREPLY+=("$option")
        done
    fi
    # "-" alone is standard output; a word starting with "/" may be a path.
    if [[ $cur != -* ]]; then
        # Quoted here, as bash inserts the reply as it stands.
        local path quoted
        while IFS= read -r path; do
            printf -v quoted '%q' "$path"
            if [[ -d $path ]]; then
                COMPREPLY+=("$quoted/")
            else
                case "${path,,}" in
                    *.mdb | *.accdb | *.accde | *.accdt | *.accdr | *.csv | *.txt) COMPREPLY+=("$quoted") ;;
                esac
            fi
        done < <(compgen -f -- "$cur")
    fi
    # A value or folder is typed on from where it ends.
    local reply
    for reply in "${COMPREPLY[@]}"; do
        if [[ $reply == *= || $reply == */ ]]; then
            compopt -o nospace 2>/dev/null
            break
        fi
    done
}

complete -F _varnex varnex varnex2007
