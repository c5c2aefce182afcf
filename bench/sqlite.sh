#!/usr/bin/env bash
# --format=sqlite on the bench's mixed table (bench/table.json) against the
# CSV of the same table: rows a second and peak RSS, with the threads the
# program takes by default and on one thread (VARNEX_THREADS=1), at ROWS and
# at a fifth of ROWS, so that memory that grows with the table shows. Each
# command runs BENCH_REPEAT times (default 3); the table shows the median
# wall time, its rows a second, the median CPU time and the largest peak RSS.
#
# usage: bench/sqlite.sh [ROWS]      (default 1000000)
# Environment: BENCH_NO_BUILD=1, BENCH_BUILD_DIR, BENCH_REPEAT, BENCH_KEEP=1
# as for bench/run.sh.
set -euo pipefail

rows=${1:-1000000}
bench_name=sqlite
# shellcheck source=bench/measure.sh
source "$(dirname "${BASH_SOURCE[0]}")/measure.sh"

printf '%-16s %-22s %8s %12s %8s %8s\n' table form wall_s rows/s cpu_s rss_MB
for count in "$rows" "$((rows / 5))"; do
  db="$work/table$count.mdb"
  "$mkdb" --rows "$count" bench/table.json "$db" >/dev/null
  for point in "csv|VARNEX_UNUSED=1|$work/out" "sqlite|VARNEX_UNUSED=1|$work/out/t.sqlite" \
               "csv, 1 thread|VARNEX_THREADS=1|$work/out" "sqlite, 1 thread|VARNEX_THREADS=1|$work/out/t.sqlite"; do
    IFS='|' read -r form environment output <<<"$point"
    extra=()
    [[ $form == sqlite* ]] && extra=(--format=sqlite)
    read -r wall cpu peak <<<"$(measure "$environment" -- /SILENT "$db" "$output" /OVERWRITE=YES "${extra[@]}")"
    printf '%-16s %-22s %8.2f %12.0f %8.2f %8.1f\n' "table($count)" "$form" "$wall" \
      "$(echo "$count / $wall" | bc -l)" "$cpu" "$(echo "$peak / 1024" | bc -l)"
  done
done
