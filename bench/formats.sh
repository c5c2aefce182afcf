#!/usr/bin/env bash
# The output forms for scripts against the locale-form CSV, on the bench
# tables (bench/table.json, bench/memo.json, bench/wide.json): the CSV, JSON
# Lines (--format=jsonl) and portable CSV (--portable), each with the threads
# it takes by default and on one thread (VARNEX_THREADS=1); then the SQL
# forms (--format=sql:postgres, sql:mysql), which keep a table on one thread
# and are set against the CSV on one thread. Each command runs
# BENCH_REPEAT times (default 3); the table shows the median wall time, the
# median CPU time, the largest peak RSS, and each form's wall and CPU time
# over the CSV's with the same threads, all measured in this run.
#
# usage: bench/formats.sh [ROWS]      (default 1000000 for the mixed table;
#                                      the memo and wide tables take ROWS/10)
# Environment: BENCH_NO_BUILD=1, BENCH_BUILD_DIR, BENCH_REPEAT, BENCH_KEEP=1
# as for bench/run.sh.
set -euo pipefail

rows=${1:-1000000}
bench_name=formats
# shellcheck source=bench/measure.sh
source "$(dirname "${BASH_SOURCE[0]}")/measure.sh"

printf '%-16s %-24s %8s %8s %8s %10s %10s\n' table form wall_s cpu_s rss_MB "wall/CSV" "cpu/CSV"
for point in "table $rows" "memo $((rows / 10))" "wide $((rows / 10))"; do
  read -r name count <<<"$point"
  db="$work/$name.mdb"
  "$mkdb" --rows "$count" "bench/$name.json" "$db" >/dev/null
  forms=("csv" "jsonl" "portable csv" "csv, 1 thread" "jsonl, 1 thread" "portable csv, 1 thread"
         "sql:postgres" "sql:mysql")
  wall=() cpu=() peak=()
  run=(/SILENT "$db" "$work/out" /OVERWRITE=YES)
  results=("$(measure VARNEX_UNUSED=1 -- "${run[@]}")"
           "$(measure VARNEX_UNUSED=1 -- "${run[@]}" --format=jsonl)"
           "$(measure VARNEX_UNUSED=1 -- "${run[@]}" --portable)"
           "$(measure VARNEX_THREADS=1 -- "${run[@]}")"
           "$(measure VARNEX_THREADS=1 -- "${run[@]}" --format=jsonl)"
           "$(measure VARNEX_THREADS=1 -- "${run[@]}" --portable)"
           "$(measure VARNEX_UNUSED=1 -- "${run[@]}" --format=sql:postgres)"
           "$(measure VARNEX_UNUSED=1 -- "${run[@]}" --format=sql:mysql)")
  for i in "${!results[@]}"; do
    read -r wall[i] cpu[i] peak[i] <<<"${results[$i]}"
  done
  for i in "${!forms[@]}"; do
    base=$(( i < 3 ? 0 : 3 ))  # the CSV with the same threads
    printf '%-16s %-24s %8.2f %8.2f %8.1f %10.2f %10.2f\n' "$name($count)" "${forms[$i]}" "${wall[$i]}" "${cpu[$i]}" \
      "$(echo "${peak[$i]} / 1024" | bc -l)" "$(echo "${wall[$i]} / ${wall[$base]}" | bc -l)" \
      "$(echo "${cpu[$i]} / ${cpu[$base]}" | bc -l)"
  done
done
