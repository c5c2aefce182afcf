# Sourced by the form benches (formats.sh, sqlite.sh) after they set
# bench_name: builds the release preset unless BENCH_NO_BUILD=1, finds the
# programs ($mkdb, $varnex), makes the scratch folder $work (kept with
# BENCH_KEEP=1) and defines measure. BENCH_BUILD_DIR and BENCH_REPEAT as for
# bench/run.sh.

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
command -v /usr/bin/time >/dev/null || { echo "bench: /usr/bin/time is required" >&2; exit 1; }

cd "$repo"
# shellcheck source=bench/programs.sh
source "$repo/bench/programs.sh"
for program in "$mkdb" "$varnex"; do
  [[ -x $program ]] || { echo "bench: $program was not built" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/varnex-$bench_name.XXXXXX")
cleanup() { [[ ${BENCH_KEEP:-0} == 1 ]] || rm -rf "$work"; }
trap cleanup EXIT
repeat=${BENCH_REPEAT:-3}

now() { local t=$EPOCHREALTIME; echo "${t/,/.}"; }
median() { sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

# measure ENV... -- ARGS...: runs the program BENCH_REPEAT times into an
# empty $work/out; prints the median wall and CPU seconds and the largest
# peak RSS (KB). A failing run stops the bench: its time would mean nothing.
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
