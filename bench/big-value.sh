#!/usr/bin/env bash
# Peak memory of converting a table that holds one long memo value: the
# conversion must stay within the value's stored size plus 32 MiB. Also the
# time and peak memory of a run whose linked tables all lead to one agile
# file spelled many ways (one open, one key derivation).
#
# usage: bench/big-value.sh [MEGABYTES]   (stored size of the memo, default 100)
# Environment: BENCH_BUILD_DIR (default build/release, else build/native),
# BENCH_PROGRAM to measure another build of the program on the same files.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
megabytes=${1:-100}
build=${BENCH_BUILD_DIR:-$repo/build/release}
[[ -x $build/wizard/varnex2007 ]] || build=$repo/build/native
program=${BENCH_PROGRAM:-$build/wizard/varnex2007}
mkdb=$build/tools/varnex-mkdb
dir=$(mktemp -d "${TMPDIR:-/tmp}/varnex-big-value.XXXXXX")
trap 'rm -rf "$dir"' EXIT

# Long memos are stored as UTF-16: two bytes per character.
characters=$((megabytes * 1024 * 1024 / 2))
cat > "$dir/big.json" <<JSON
{"format": "ace",
 "tables": [{"name": "Big",
             "columns": [{"name": "ID", "type": "long"}, {"name": "Note", "type": "memo"}],
             "generate": {"rows": 1, "seed": 1,
                          "columns": {"Note": {"nullRate": 0, "minLength": $characters, "maxLength": $characters}}}}]}
JSON
"$mkdb" "$dir/big.json" "$dir/big.accdb"
mkdir "$dir/out"
/usr/bin/time -v "$program" /SILENT "$dir/big.accdb" "$dir/out" 2> "$dir/time.txt" >/dev/null
peak_kb=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$dir/time.txt")
wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$dir/time.txt")
out_bytes=$(stat -c %s "$dir/out/Big.csv")
limit_kb=$(((megabytes + 32) * 1024))
echo "memo of $megabytes MB stored ($characters characters), $out_bytes bytes written"
echo "peak RSS $((peak_kb / 1024)) MB (limit $((limit_kb / 1024)) MB), wall $wall"
if ((peak_kb > limit_kb)); then
  echo "big-value: peak memory above the value's size plus 32 MiB" >&2
  exit 1
fi
