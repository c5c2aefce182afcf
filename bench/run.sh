#!/usr/bin/env bash
# Conversion speed on a generated table of 10k, 100k and 1M rows (10 mixed
# columns; the 1M-row database is about 200 MB): our unattended run, the
# mdbtools exporter on the same table, and wc -l over our output as the floor
# of merely reading that much text. Prints wall time, peak RSS and ratios.
#
# usage: bench/run.sh [ROWS...]       (default: 10000 100000 1000000)
# Environment: BENCH_DIR (scratch folder, default a fresh temporary one;
# it needs about 1 GB for the 1M-row point), BENCH_KEEP=1 to keep it,
# BENCH_NO_BUILD=1 to use an existing build as it is, BENCH_BUILD_DIR to
# take the programs from another build folder than build/release.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
rows=("$@")
[[ ${#rows[@]} -gt 0 ]] || rows=(10000 100000 1000000)

for tool in /usr/bin/time mdb-export wc cmake; do
  command -v "$tool" >/dev/null || { echo "bench: $tool is required" >&2; exit 1; }
done

cd "$repo"
if [[ ${BENCH_NO_BUILD:-0} != 1 ]]; then
  echo "== building the release preset"
  cmake --preset release >/dev/null
  cmake --build --preset release >/dev/null
fi

build=${BENCH_BUILD_DIR:-$repo/build/release}
mkdb="$build/tools/varnex-mkdb"
varnex="$build/wizard/varnex"
[[ -x $mkdb ]] || { echo "bench: $mkdb was not built" >&2; exit 1; }
have_varnex=1
if [[ ! -x $varnex ]]; then
  have_varnex=0
  echo "bench: $varnex was not built; timing mdb-export only" >&2
fi

work=${BENCH_DIR:-$(mktemp -d "${TMPDIR:-/tmp}/varnex-bench.XXXXXX")}
mkdir -p "$work"
cleanup() { [[ ${BENCH_KEEP:-0} == 1 ]] || rm -rf "$work"; }
trap cleanup EXIT

# measure LOG COMMAND...: runs COMMAND under /usr/bin/time -v and sets
# SECONDS_TAKEN and PEAK_KB from its report. A failing command is reported
# but still timed, so one broken tool does not hide the others' figures.
measure() {
  local log=$1
  shift
  /usr/bin/time -v -o "$log" "$@" || echo "bench: failed: $*" >&2
  local wall
  wall=$(sed -n 's/^[[:space:]]*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$log")
  SECONDS_TAKEN=$(awk -v t="$wall" 'BEGIN { n = split(t, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; printf "%.2f", s }')
  PEAK_KB=$(sed -n 's/^[[:space:]]*Maximum resident set size (kbytes): //p' "$log")
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

results=()
for n in "${rows[@]}"; do
  db="$work/bench-$n.mdb"
  echo "== $n rows: generating $db"
  "$mkdb" --rows "$n" "$repo/bench/table.json" "$db"
  size_mb=$(awk -v b="$(stat -c %s "$db")" 'BEGIN { printf "%.1f", b / 1048576 }')

  out="$work/out-$n"
  rm -rf "$out" && mkdir -p "$out"
  ours_s=-; ours_kb=-; wc_s=-; wc_kb=-; lines=-
  if [[ $have_varnex == 1 ]]; then
    measure "$work/time-ours-$n" "$varnex" /SILENT "$db" "$out/"
    ours_s=$SECONDS_TAKEN; ours_kb=$PEAK_KB
    csv="$out/Bench.csv"
    if [[ -f $csv ]]; then
      measure "$work/time-wc-$n" sh -c 'wc -l < "$1" > "$2"' sh "$csv" "$work/lines-$n"
      wc_s=$SECONDS_TAKEN; wc_kb=$PEAK_KB; lines=$(tr -d ' ' < "$work/lines-$n")
    else
      echo "bench: $csv was not written" >&2
    fi
  fi

  measure "$work/time-mdb-$n" sh -c 'mdb-export "$1" Bench > "$2"' sh "$db" "$work/mdb-export-$n.csv"
  mdb_s=$SECONDS_TAKEN; mdb_kb=$PEAK_KB
  if [[ $lines == - ]]; then
    # Without our output, count mdb-export's lines so the wc column still means something.
    measure "$work/time-wc-$n" sh -c 'wc -l < "$1" > "$2"' sh "$work/mdb-export-$n.csv" "$work/lines-$n"
    wc_s=$SECONDS_TAKEN; wc_kb=$PEAK_KB; lines=$(tr -d ' ' < "$work/lines-$n")
  fi
  rm -f "$work/mdb-export-$n.csv"
  rm -rf "$out"
  results+=("$n $size_mb $ours_s $ours_kb $mdb_s $mdb_kb $wc_s $wc_kb $lines")
  if [[ ${BENCH_KEEP:-0} != 1 ]]; then rm -f "$db"; fi
done

echo
printf '%10s %8s | %9s %10s | %9s %10s | %9s %10s | %10s %12s %12s\n' \
  rows "db MB" "varnex s" "varnex KB" "mdb s" "mdb KB" "wc s" "wc KB" lines "varnex/mdb" "varnex/wc"
for r in "${results[@]}"; do
  read -r n size ours_s ours_kb mdb_s mdb_kb wc_s wc_kb lines <<<"$r"
  vm=-; vw=-
  if [[ $ours_s != - ]]; then vm=$(ratio "$ours_s" "$mdb_s"); vw=$(ratio "$ours_s" "$wc_s"); fi
  printf '%10s %8s | %9s %10s | %9s %10s | %9s %10s | %10s %12s %12s\n' \
    "$n" "$size" "$ours_s" "$ours_kb" "$mdb_s" "$mdb_kb" "$wc_s" "$wc_kb" "$lines" "$vm" "$vw"
done

# Linearity: seconds per million rows at each point (equal figures = linear cost).
echo
echo "seconds per million rows:"
for r in "${results[@]}"; do
  read -r n size ours_s ours_kb mdb_s mdb_kb wc_s wc_kb lines <<<"$r"
  per() { [[ $1 == - ]] && echo - || awk -v s="$1" -v n="$n" 'BEGIN { printf "%.2f", s * 1000000 / n }'; }
  printf '%10s rows: varnex %8s   mdb-export %8s\n' "$n" "$(per "$ours_s")" "$(per "$mdb_s")"
done
