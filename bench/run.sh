#!/usr/bin/env bash
# Conversion speed on a generated table of 10k, 100k and 1M rows (10 mixed
# columns; the 1M-row database is about 200 MB), then on a memo-heavy table
# and a 200-column table: our unattended run, the mdbtools exporter on the
# same table, the Node reader (mdb-reader) where node and npm are present,
# and wc -l over our output as the floor of merely reading that much text.
# Ours runs on one thread (VARNEX_THREADS=1), as it runs by default, with
# its progress line on a terminal (a pseudo-terminal from script(1)), and to
# standard output ("-"); all four outputs must be the same bytes.
# Prints wall time, peak RSS and ratios, all measured in the same run.
#
# Each command runs BENCH_REPEAT times (default 3); the table shows the
# median wall time, the median CPU time (user + system, which other load on
# the machine disturbs less) and the largest peak RSS.
#
# usage: bench/run.sh [ROWS...]       (default: 10000 100000 1000000)
# Environment: BENCH_DIR (scratch folder, default a fresh temporary one;
# it needs about 1 GB for the 1M-row point), BENCH_KEEP=1 to keep it,
# BENCH_NO_BUILD=1 to use an existing build as it is, BENCH_BUILD_DIR to
# take the programs from another build folder than build/release,
# BENCH_REPEAT to run each command another number of times,
# BENCH_MEMO_ROWS and BENCH_WIDE_ROWS for the rows of the memo-heavy and the
# wide table (default 100000 each; 0 leaves the table out), BENCH_NODE=0 to
# leave out the Node reader (it is installed with npm into the scratch
# folder and skipped when that does not succeed within a minute).
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
rows=("$@")
[[ ${#rows[@]} -gt 0 ]] || rows=(10000 100000 1000000)

for tool in /usr/bin/time mdb-export wc cmake script; do
  command -v "$tool" >/dev/null || { echo "bench: $tool is required" >&2; exit 1; }
done

cd "$repo"
# shellcheck source=bench/programs.sh
source "$repo/bench/programs.sh"
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

repeat=${BENCH_REPEAT:-3}
[[ $repeat =~ ^[1-9][0-9]*$ ]] || { echo "bench: BENCH_REPEAT must be a positive number" >&2; exit 1; }

memo_rows=${BENCH_MEMO_ROWS:-100000}
wide_rows=${BENCH_WIDE_ROWS:-100000}

have_node=0
if [[ ${BENCH_NODE:-1} != 0 ]]; then
  if command -v node >/dev/null && command -v npm >/dev/null; then
    mkdir -p "$work/node"
    if timeout 60 npm install --silent --no-audit --no-fund --prefix "$work/node" mdb-reader >/dev/null 2>&1; then
      cp "$repo/bench/node-export.mjs" "$work/node/"
      have_node=1
    else
      echo "bench: npm could not install mdb-reader within a minute; the Node reader is skipped" >&2
    fi
  else
    echo "bench: node or npm is missing; the Node reader is skipped" >&2
  fi
fi

# /usr/bin/time reports wall time in hundredths, too coarse for wc -l, so
# the wall time is taken around it from the shell's microsecond clock.
now() { local t=$EPOCHREALTIME; echo "${t/,/.}"; }
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { printf "%.3f", v[int((NR + 1) / 2)] }'; }

# measure LOG SETUP COMMAND...: runs SETUP (a shell function, or :) and then
# COMMAND under /usr/bin/time -v, $repeat times; sets SECONDS_TAKEN and
# CPU_TAKEN (medians) and PEAK_KB (the largest). A failing command is
# reported but still timed, so one broken tool does not hide the others'
# figures.
measure() {
  local log=$1 setup=$2
  shift 2
  local walls=() cpus=() peak=0 k start end kb
  for ((k = 0; k < repeat; k++)); do
    "$setup"
    start=$(now)
    /usr/bin/time -v -o "$log" "$@" || echo "bench: failed: $*" >&2
    end=$(now)
    walls+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')")
    cpus+=("$(awk -F': ' '/User time|System time/ { s += $2 } END { printf "%.3f", s }' "$log")")
    kb=$(sed -n 's/^[[:space:]]*Maximum resident set size (kbytes): //p' "$log")
    ((kb > peak)) && peak=$kb
  done
  SECONDS_TAKEN=$(median "${walls[@]}")
  CPU_TAKEN=$(median "${cpus[@]}")
  PEAK_KB=$peak
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

echo "== machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)"
echo "== load before: $(cut -d' ' -f1-3 /proc/loadavg)"

results=()
# bench_table JSON TABLE ROWS: generates the table, times every peer on it
# and appends one line to results.
bench_table() {
  local json=$1 table=$2 n=$3
  local db="$work/$table-$n.mdb"
  echo "== $table, $n rows: generating $db"
  "$mkdb" --rows "$n" "$json" "$db"
  local size_mb
  size_mb=$(awk -v b="$(stat -c %s "$db")" 'BEGIN { printf "%.1f", b / 1048576 }')

  out="$work/out-$table-$n"
  # Each run starts from an empty folder: our program appends to a file it
  # finds there unless told to overwrite it.
  fresh_out() { rm -rf "$out" && mkdir -p "$out"; }
  # A redirection truncates the last run's file inside the timed command:
  # freeing a few hundred megabytes there would be charged to the tool, so
  # each file written through the shell is removed before the clock starts.
  no_stdout() { rm -f "$work/stdout.csv"; }
  no_mdb() { rm -f "$work/mdb-export.csv"; }
  no_node() { rm -f "$work/node.csv"; }
  fresh_out
  local ours_s=- ours_cpu=- ours_kb=- one_s=- wc_s=- wc_cpu=- wc_kb=- lines=- node_s=- node_cpu=- node_kb=-
  local term_s=- std_s=- std_kb=-
  if [[ $have_varnex == 1 ]]; then
    # Once on one thread, for the figure without the second core, then as it runs by default.
    measure "$work/time-one" fresh_out env VARNEX_THREADS=1 "$varnex" /SILENT "$db" "$out/"
    one_s=$SECONDS_TAKEN
    local csv="$out/$table.csv"
    [[ -f $csv ]] && mv "$csv" "$work/one-thread.csv"
    measure "$work/time-ours" fresh_out "$varnex" /SILENT "$db" "$out/"
    ours_s=$SECONDS_TAKEN; ours_cpu=$CPU_TAKEN; ours_kb=$PEAK_KB
    if [[ -f $csv && -f $work/one-thread.csv ]] && ! cmp -s "$csv" "$work/one-thread.csv"; then
      echo "bench: $table: the output on one thread differs from the default run's" >&2
      exit 1
    fi
    rm -f "$work/one-thread.csv"
    if [[ -f $csv ]]; then
      # The default run's file is kept aside: each run below starts from an empty folder.
      mv "$csv" "$work/default.csv"
      # The same run watched on a terminal: the progress line must cost no core.
      measure "$work/time-term" fresh_out script -qec "'$varnex' /SILENT '$db' '$out/'" /dev/null
      term_s=$SECONDS_TAKEN
      measure "$work/time-stdout" no_stdout sh -c '"$1" /SILENT "$2" - > "$3"' sh "$varnex" "$db" "$work/stdout.csv"
      std_s=$SECONDS_TAKEN; std_kb=$PEAK_KB
      for other in "$csv" "$work/stdout.csv"; do
        if ! cmp -s "$other" "$work/default.csv"; then
          echo "bench: $table: $other differs from the default run's file" >&2
          exit 1
        fi
      done
      rm -f "$work/stdout.csv"
      mv "$work/default.csv" "$csv"
    fi
    if [[ -f $csv ]]; then
      measure "$work/time-wc" : sh -c 'wc -l < "$1" > "$2"' sh "$csv" "$work/lines"
      wc_s=$SECONDS_TAKEN; wc_cpu=$CPU_TAKEN; wc_kb=$PEAK_KB; lines=$(tr -d ' ' < "$work/lines")
    else
      echo "bench: $csv was not written" >&2
    fi
  fi

  measure "$work/time-mdb" no_mdb sh -c 'mdb-export "$1" "$2" > "$3"' sh "$db" "$table" "$work/mdb-export.csv"
  local mdb_s=$SECONDS_TAKEN mdb_cpu=$CPU_TAKEN mdb_kb=$PEAK_KB
  if [[ $lines == - ]]; then
    # Without our output, count mdb-export's lines so the wc column still means something.
    measure "$work/time-wc" : sh -c 'wc -l < "$1" > "$2"' sh "$work/mdb-export.csv" "$work/lines"
    wc_s=$SECONDS_TAKEN; wc_cpu=$CPU_TAKEN; wc_kb=$PEAK_KB; lines=$(tr -d ' ' < "$work/lines")
  fi
  rm -f "$work/mdb-export.csv"

  if [[ $have_node == 1 ]]; then
    measure "$work/time-node" no_node node "$work/node/node-export.mjs" "$db" "$table" "$work/node.csv"
    node_s=$SECONDS_TAKEN; node_cpu=$CPU_TAKEN; node_kb=$PEAK_KB
    rm -f "$work/node.csv"
  fi
  rm -rf "$out"
  results+=("$table $n $size_mb $one_s $ours_s $ours_cpu $ours_kb $mdb_s $mdb_cpu $mdb_kb $wc_s $wc_cpu $wc_kb $lines $node_s $node_cpu $node_kb $term_s $std_s $std_kb")
  if [[ ${BENCH_KEEP:-0} != 1 ]]; then rm -f "$db"; fi
}

for n in "${rows[@]}"; do bench_table "$repo/bench/table.json" Bench "$n"; done
[[ $memo_rows == 0 ]] || bench_table "$repo/bench/memo.json" Memos "$memo_rows"
[[ $wide_rows == 0 ]] || bench_table "$repo/bench/wide.json" Wide "$wide_rows"

echo "== load after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "median of $repeat runs; s = wall seconds, cpu = user + system seconds, KB = peak RSS"
printf '%-6s %8s %7s | %7s | %7s %6s %6s | %7s %6s %6s | %7s %6s %6s | %8s | %7s %6s %7s | %8s %8s %8s %8s %8s\n' \
  table rows "db MB" "1 thread" "varnex" cpu KB "mdb" cpu KB "wc -l" cpu KB lines "node" cpu KB \
  "mdb/ours" "ours/wc" "cpu m/o" "cpu o/w" "node/our"
for r in "${results[@]}"; do
  read -r table n size one_s ours_s ours_cpu ours_kb mdb_s mdb_cpu mdb_kb wc_s wc_cpu wc_kb lines node_s node_cpu node_kb term_s std_s std_kb <<<"$r"
  speedup=-; overwc=-; cpu_speedup=-; cpu_overwc=-; node_ratio=-
  if [[ $ours_s != - ]]; then
    speedup=$(ratio "$mdb_s" "$ours_s"); overwc=$(ratio "$ours_s" "$wc_s")
    cpu_speedup=$(ratio "$mdb_cpu" "$ours_cpu"); cpu_overwc=$(ratio "$ours_cpu" "$wc_cpu")
    [[ $node_s == - ]] || node_ratio=$(ratio "$node_s" "$ours_s")
  fi
  printf '%-6s %8s %7s | %7s | %7s %6s %6s | %7s %6s %6s | %7s %6s %6s | %8s | %7s %6s %7s | %8s %8s %8s %8s %8s\n' \
    "$table" "$n" "$size" "$one_s" "$ours_s" "$ours_cpu" "$ours_kb" "$mdb_s" "$mdb_cpu" "$mdb_kb" "$wc_s" "$wc_cpu" "$wc_kb" \
    "$lines" "$node_s" "$node_cpu" "$node_kb" "$speedup" "$overwc" "$cpu_speedup" "$cpu_overwc" "$node_ratio"
done
echo
echo "the same table watched on a terminal and written to standard output:"
printf '%-6s %8s | %7s | %7s %8s | %7s %7s %8s | %8s %8s\n' table rows varnex terminal "mdb/term" "-" KB "mdb/-" "term/ours" "-/ours"
for r in "${results[@]}"; do
  read -r table n size one_s ours_s ours_cpu ours_kb mdb_s mdb_cpu mdb_kb wc_s wc_cpu wc_kb lines node_s node_cpu node_kb term_s std_s std_kb <<<"$r"
  printf '%-6s %8s | %7s | %7s %8s | %7s %7s %8s | %8s %8s\n' "$table" "$n" "$ours_s" "$term_s" "$(ratio "$mdb_s" "$term_s")" \
    "$std_s" "$std_kb" "$(ratio "$mdb_s" "$std_s")" "$(ratio "$term_s" "$ours_s")" "$(ratio "$std_s" "$ours_s")"
done
echo "targets: mdb/ours >= 15, ours/wc <= 10, varnex KB <= 32768 (32 MiB); within 2x of those on Memos and Wide"

# Linearity: seconds per million rows at each point (equal figures = linear cost).
echo
echo "wall seconds per million rows:"
for r in "${results[@]}"; do
  read -r table n size one_s ours_s ours_cpu ours_kb mdb_s mdb_cpu mdb_kb wc_s wc_cpu wc_kb lines node_s node_cpu node_kb <<<"$r"
  per() { [[ $1 == - ]] && echo - || awk -v s="$1" -v n="$n" 'BEGIN { printf "%.2f", s * 1000000 / n }'; }
  printf '%-6s %10s rows: varnex %8s (one thread %8s)   mdb-export %8s   node %8s\n' "$table" "$n" "$(per "$ours_s")" \
    "$(per "$one_s")" "$(per "$mdb_s")" \
    "$(per "$node_s")"
done
