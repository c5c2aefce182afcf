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

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
rows=${1:-1000000}
command -v /usr/bin/time >/dev/null || { echo "bench: /usr/bin/time is required" >&2; exit 1; }

cd "$repo"
if [[ ${BENCH_NO_BUILD:-0} != 1 ]]; then
  echo "== building the release preset"
  cmake --preset release >/dev/null
  cmake --build --preset release >/dev/null
fi
build=${BENCH_BUILD_DIR:-$repo/build/release}
mkdb="$build/tools/varnex-mkdb"
varnex="$build/wizard/varnex"
for program in "$mkdb" "$varnex"; do
  [[ -x $program ]] || { echo "bench: $program was not built" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/varnex-sqlite.XXXXXX")
cleanup() { [[ ${BENCH_KEEP:-0} == 1 ]] || rm -rf "$work"; }
trap cleanup EXIT
repeat=${BENCH_REPEAT:-3}

now() { local t=$EPOCHREALTIME; echo "${t/,/.}"; }
median() { sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

# measure ENV... -- ARGS...: runs the program; prints wall, cpu, rss.
measure() {
  local -a environment=()
  while [[ $1 != -- ]]; do environment+=("$1"); shift; done
  shift
  local walls=() cpus=() rss=0
  for ((k = 0; k < repeat; k++)); do
    rm -rf "$work/out" && mkdir "$work/out"
    local start end
    start=$(now)
    if ! env "${environment[@]}" /usr/bin/time -f '%U %S %M' -o "$work/time" "$varnex" "$@" >/dev/null; then
      echo "bench: varnex $* failed" >&2
      exit 1
    fi
    end=$(now)
    read -r user system peak <"$work/time"
    walls+=("$(echo "$end - $start" | bc -l)")
    cpus+=("$(echo "$user + $system" | bc -l)")
    ((peak > rss)) && rss=$peak
  done
  printf '%s %s %s\n' "$(printf '%s\n' "${walls[@]}" | median)" "$(printf '%s\n' "${cpus[@]}" | median)" "$rss"
}

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
