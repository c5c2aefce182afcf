#!/bin/bash
# Completes command lines the way bash does on TAB (COMP_WORDS, COMP_CWORD
# and the function `complete -p` names) and checks what is offered.
# Arguments: the completion script, the program, the fixture writer.
set -u
script=$1 program=$(realpath "$2") mkdb=$3
failures=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# shellcheck source=/dev/null
source "$script" || { echo "FAIL: the script does not source"; exit 1; }

# The program is called by the name the user typed: put it on the PATH.
mkdir "$scratch/bin"
ln -s "$program" "$scratch/bin/varnex2007"
PATH=$scratch/bin:$PATH

# Runs the function `complete -p` names for the command with these words,
# the last one being completed; COMPREPLY is left for the checks.
complete_words() {
    local registered function
    registered=$(complete -p "$1" 2>/dev/null) || { fail "no completion for $1"; COMPREPLY=(); return; }
    function=$(sed -n 's/.*-F \([^ ]*\) .*/\1/p' <<<"$registered")
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMP_LINE="$*"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    "$function" "$1" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
}

offers() { # offers EXPECTED WORDS...: EXPECTED is among the completions
    local expected=$1
    shift
    complete_words "$@"
    local reply
    for reply in "${COMPREPLY[@]}"; do
        [[ $reply == "$expected" ]] && return
    done
    fail "'$*' does not offer '$expected' (got: ${COMPREPLY[*]})"
}

offers_exactly() { # offers_exactly "A|B" WORDS...: these and nothing else, in any order
    local expected=$1
    shift
    complete_words "$@"
    local got want
    got=$( ((${#COMPREPLY[@]} > 0)) && printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd'|')
    want=$(tr '|' '\n' <<<"$expected" | sed '/^$/d' | sort | paste -sd'|')
    [[ $got == "$want" ]] || fail "'$*' offers '$got', expected '$want'"
}

# --- Registration --------------------------------------------------------
for name in varnex varnex2007; do
    [[ $(complete -p "$name" 2>/dev/null) == "complete -F _varnex $name" ]] ||
        fail "complete -p $name: $(complete -p "$name" 2>&1)"
done

# --- Options ------------------------------------------------------------
offers_exactly "/QUOTES=|/QUIET" varnex2007 /QU
offers_exactly "-QUOTES=|-QUIET" varnex2007 -qu          # any case, either lead
offers "--list-tables" varnex2007 --li
offers "--link-dir=" varnex2007 --li
offers_exactly "TAB" varnex2007 /FIELDS = T         # "=" a word break, as by default
offers_exactly "TAB" varnex2007 /FIELDS = t
offers_exactly "/FIELDS=TAB" varnex2007 /FIELDS=T   # "=" not a word break
offers_exactly "KEEP|REMOVE|REPLACE" varnex2007 /CRLF =
offers_exactly "base64" varnex2007 --binary = b
offers_exactly "csv|jsonl|sql:sqlite|sql:postgres|sql:mysql" varnex2007 --format =
offers_exactly "postgres" varnex2007 --schema = p

# Every option the usage text shows can be completed from its first letters.
while read -r option; do
    offers "$option" varnex2007 "${option:0:3}"
done < <("$program" --help | grep -oE '^  (/[A-Z][A-Z./-]*=?|--[a-z-]+=?)' | sed 's/^  //' | sort -u)

# --- Paths: databases, folders, outputs; other files are left out --------
mkdir "$scratch/work" "$scratch/work/out folder"
touch "$scratch/work/shop.mdb" "$scratch/work/new.accdb" "$scratch/work/notes.png"
(
    failures=0
    cd "$scratch/work" || exit 1
    offers_exactly "shop.mdb" varnex2007 /SILENT s
    offers_exactly "new.accdb" varnex2007 /SILENT n
    offers "out\\ folder/" varnex2007 /SILENT shop.mdb o
    exit "$failures"
) || failures=$((failures + 1))
# An absolute path starting with "/" is a path, not an option.
offers "$scratch/work/shop.mdb" varnex2007 "$scratch/work/sh"

# --- Table names from the database on the line --------------------------
cat >"$scratch/tables.json" <<'JSON'
{"tables": [
  {"name": "Orders", "columns": [{"name": "ID", "type": "long"}], "rows": [[1]]},
  {"name": "Order Lines", "columns": [{"name": "ID", "type": "long"}], "rows": [[1]]},
  {"name": "Customers", "columns": [{"name": "ID", "type": "long"}], "rows": [[1]]}
]}
JSON
"$mkdb" "$scratch/tables.json" "$scratch/shop.mdb" >/dev/null || fail "the fixture writer failed"
db=$scratch/shop.mdb
offers_exactly 'Orders|Order\ Lines|Customers' varnex2007 /SILENT "$db" ./out /TABLES =
offers_exactly 'Orders|Order\ Lines' varnex2007 "$db" /TABLES = Or
offers_exactly '/TABLES=Customers' varnex2007 "$db" /TABLES=C
# After a ";" only the next name is completed, the list kept before it.
offers_exactly 'Orders\;Customers' varnex2007 "$db" /TABLES = 'Orders;Cu'
# No database on the line, or one that does not open: nothing, and no noise.
offers_exactly "" varnex2007 /TABLES =
output=$(complete_words varnex2007 "$scratch/missing.mdb" /TABLES = 2>&1)
[[ -z $output ]] || fail "a missing database prints: $output"

if ((failures > 0)); then
    echo "$failures failure(s)"
    exit 1
fi
echo "all completions as expected"
