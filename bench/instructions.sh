#!/usr/bin/env bash
# Instructions per conversion, counted by callgrind: unlike wall time they do
# not move with the machine's other load, so a change to the per-cell path
# can be judged on a busy machine. The bench table (100k rows), the memo-heavy
# table (20k) and the wide table (10k) are converted on one thread with the
# default settings; for each the total and the self cost of the reader
# (jet::), of the rest of the program (engine and platform) and of the C and
# C++ libraries (to_chars, memcpy...) are printed, in millions.
#
# usage: bench/instructions.sh
# Environment: BENCH_NO_BUILD=1 and BENCH_BUILD_DIR as for bench/run.sh,
# BENCH_KEEP=1 to keep the scratch folder (with callgrind's profiles, for
# callgrind_annotate), BENCH_ROWS, BENCH_MEMO_ROWS, BENCH_WIDE_ROWS.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
for tool in valgrind callgrind_annotate python3 cmake; do
  command -v "$tool" >/dev/null || { echo "bench: $tool is required" >&2; exit 1; }
done

cd "$repo"
# shellcheck source=bench/programs.sh
source "$repo/bench/programs.sh"
for program in "$mkdb" "$varnex"; do
  [[ -x $program ]] || { echo "bench: $program was not built" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/varnex-instructions.XXXXXX")
cleanup() { [[ ${BENCH_KEEP:-0} == 1 ]] && echo "kept $work" || rm -rf "$work"; }
trap cleanup EXIT

printf '%-8s %10s %10s %16s %10s\n' table total reader engine+platform libraries
for entry in "table.json ${BENCH_ROWS:-100000}" "memo.json ${BENCH_MEMO_ROWS:-20000}" \
            "wide.json ${BENCH_WIDE_ROWS:-10000}"; do
  read -r json rows <<<"$entry"
  name=${json%.json}
  "$mkdb" --rows "$rows" "bench/$json" "$work/$name.mdb" >/dev/null
  mkdir "$work/$name"
  # The saved settings beside the program would change what is measured:
  # the program is run from a copy of its own.
  mkdir -p "$work/program"
  cp "$varnex" "$work/program/varnex"
  VARNEX_THREADS=1 valgrind --tool=callgrind --callgrind-out-file="$work/$name.callgrind" \
    "$work/program/varnex" /SILENT "$work/$name.mdb" "$work/$name/" >/dev/null 2>&1
  callgrind_annotate --threshold=100 "$work/$name.callgrind" 2>/dev/null | python3 -c '
import re, sys
total = reader = program = libraries = 0
for line in sys.stdin:
    m = re.match(r"\s*([\d,]+) \([ \d.]+%\)\s+(.*)", line)
    if not m:
        continue
    count, name = int(m.group(1).replace(",", "")), m.group(2)
    if "PROGRAM TOTALS" in name:
        total = count
    elif name.endswith("/varnex]"):
        if "jet::" in name:
            reader += count
        else:
            program += count
    else:
        libraries += count
print("%-8s %9.1fM %9.1fM %15.1fM %9.1fM" % (sys.argv[1], total / 1e6, reader / 1e6, program / 1e6, libraries / 1e6))
' "$name"
done
