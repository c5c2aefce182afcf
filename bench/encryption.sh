#!/usr/bin/env bash
# What decrypting costs: the benchmark table converted from a plain file and
# from encrypted files of every scheme holding the same rows (the fixture
# writer's encryption, default settings: 128-bit RC4 keys, AES-128 standard
# encryption, agile AES-256 with SHA-512 and 100000 rounds). Prints the median
# wall and CPU time of each conversion and its ratio to the plain file's.
#
# usage: bench/encryption.sh [ROWS]        (default 200000)
# Environment: BENCH_DIR, BENCH_KEEP=1, BENCH_NO_BUILD=1, BENCH_BUILD_DIR,
# BENCH_REPEAT (default 5), as for bench/run.sh.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
rows=${1:-200000}
repeat=${BENCH_REPEAT:-5}
[[ $repeat =~ ^[1-9][0-9]*$ ]] || { echo "bench: BENCH_REPEAT must be a positive number" >&2; exit 1; }
command -v /usr/bin/time >/dev/null || { echo "bench: /usr/bin/time is required" >&2; exit 1; }

cd "$repo"
if [[ ${BENCH_NO_BUILD:-0} != 1 ]]; then
  echo "== building the release preset"
  cmake --preset release >/dev/null
  cmake --build --preset release --target varnex2007 varnex-mkdb >/dev/null
fi
build=${BENCH_BUILD_DIR:-$repo/build/release}
mkdb="$build/tools/varnex-mkdb"
varnex="$build/wizard/varnex2007"
for program in "$mkdb" "$varnex"; do
  [[ -x $program ]] || { echo "bench: $program was not built" >&2; exit 1; }
done

work=${BENCH_DIR:-$(mktemp -d "${TMPDIR:-/tmp}/varnex-bench-crypt.XXXXXX")}
mkdir -p "$work"
cleanup() { [[ ${BENCH_KEEP:-0} == 1 ]] || rm -rf "$work"; }
trap cleanup EXIT

now() { local t=$EPOCHREALTIME; echo "${t/,/.}"; }
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { printf "%.3f", v[int((NR + 1) / 2)] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

echo "== machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)"
echo "== $rows rows: writing the files"
"$mkdb" --rows "$rows" bench/table.json "$work/plain.mdb"
schemes=(rc4 rc4-cryptoapi standard agile)
for scheme in "${schemes[@]}"; do
  "$mkdb" --rows "$rows" --encrypt "$scheme" --password "bench password" bench/table.json "$work/$scheme.accdb"
done

# convert NAME FILE [OPTION]: sets WALL and CPU (medians) and checks the output.
convert() {
  local name=$1 file=$2 walls=() cpus=() k start end
  shift 2
  for ((k = 0; k < repeat; k++)); do
    rm -rf "$work/out" && mkdir -p "$work/out"
    start=$(now)
    /usr/bin/time -f '%U %S' -o "$work/time" "$varnex" /SILENT "$file" "$work/out/" "$@"
    end=$(now)
    walls+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')")
    cpus+=("$(awk '{ printf "%.3f", $1 + $2 }' "$work/time")")
  done
  WALL=$(median "${walls[@]}")
  CPU=$(median "${cpus[@]}")
  LINES=$(wc -l < "$work/out/Bench.csv")
  echo "   $name: wall $WALL s, cpu $CPU s, $LINES lines"
}

echo "== converting, median of $repeat runs"
convert plain "$work/plain.mdb"
plain_wall=$WALL plain_cpu=$CPU plain_lines=$LINES
results=()
for scheme in "${schemes[@]}"; do
  convert "$scheme" "$work/$scheme.accdb" "/PASSWORD=bench password"
  [[ $LINES == "$plain_lines" ]] || { echo "bench: $scheme wrote $LINES lines, the plain file $plain_lines" >&2; exit 1; }
  results+=("$scheme $WALL $CPU")
done

echo
printf '%-14s %8s %8s %10s %10s\n' file "wall s" "cpu s" "wall ratio" "cpu ratio"
printf '%-14s %8s %8s %10s %10s\n' plain "$plain_wall" "$plain_cpu" 1.00 1.00
for r in "${results[@]}"; do
  read -r scheme wall cpu <<<"$r"
  printf '%-14s %8s %8s %10s %10s\n' "$scheme" "$wall" "$cpu" "$(ratio "$wall" "$plain_wall")" "$(ratio "$cpu" "$plain_cpu")"
done
echo "target: every ratio <= 2"
