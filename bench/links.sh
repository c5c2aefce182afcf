#!/usr/bin/env bash
# Linked tables that could stall a run or exhaust it, measured:
#  1. two agile-encrypted files (ten million spin rounds) whose links lead to
#     each other: the run's wall time;
#  2. the same run interrupted with SIGINT one second in: how long it takes to end;
#  3. 1,100 links spelling one file differently: wall time and descriptors;
#  4. 6,000 links to one file: peak memory.
#
# usage: bench/links.sh
# Environment: BENCH_BUILD_DIR (default build/release, else build/native),
# BENCH_PROGRAM to measure another build of the program on the same files.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BENCH_BUILD_DIR:-$repo/build/release}
[[ -x $build/wizard/varnex2007 ]] || build=$repo/build/native
program=${BENCH_PROGRAM:-$build/wizard/varnex2007}
mkdb=$build/tools/varnex-mkdb
dir=$(mktemp -d "${TMPDIR:-/tmp}/varnex-links.XXXXXX")
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/out"

table='{"name": "Local", "columns": [{"name": "ID", "type": "long"}], "rows": [[1]]}'
agile='"encryption": {"scheme": "agile", "password": "pw", "hash": "SHA512", "spinCount": 10000000}'
for pair in "a b" "b a"; do
  set -- $pair
  links=""
  for k in 1 2 3; do
    links+="${links:+, }{\"name\": \"L$k\", \"database\": \"$dir//./$2.accdb\", \"foreignName\": \"L$k\"}"
  done
  echo "{\"format\": \"ace\", $agile, \"tables\": [$table], \"links\": [$links]}" > "$dir/$1.json"
  "$mkdb" "$dir/$1.json" "$dir/$1.accdb"
done

peak() { sed -n 's/.*Maximum resident set size (kbytes): //p' "$1"; }
wall() { sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$1"; }

/usr/bin/time -v "$program" /SILENT "$dir/a.accdb" "$dir/out" /PASSWORD=pw 2> "$dir/loop.txt" >/dev/null || true
echo "agile loop (3 links, 10M rounds): wall $(wall "$dir/loop.txt")"

start=$(date +%s.%N)
"$program" /SILENT "$dir/a.accdb" "$dir/out" /PASSWORD=pw >/dev/null 2>&1 &
pid=$!
sleep 1
kill -INT "$pid"
wait "$pid" || true
end=$(date +%s.%N)
echo "interrupted one second in: ended after $(echo "$end - $start - 1" | bc) s more"

echo '{"tables": [{"name": "People", "columns": [{"name": "ID", "type": "long"}], "rows": [[1], [2]]}]}' > "$dir/target.json"
"$mkdb" "$dir/target.json" "$dir/target.mdb"
for count in 1100 6000; do
  links=""
  for ((k = 0; k < count; ++k)); do
    slashes=$(printf '/%.0s' $(seq 1 $((k % 20 + 1))))
    dots=$(printf './%.0s' $(seq 0 $((k / 20))))
    links+="${links:+, }{\"name\": \"T$k\", \"database\": \"$dir$slashes$dots/target.mdb\", \"foreignName\": \"People\"}"
  done
  echo "{\"tables\": [$table], \"links\": [$links]}" > "$dir/many.json"
  "$mkdb" "$dir/many.json" "$dir/many$count.mdb"
  rm -rf "$dir/out" && mkdir "$dir/out"
  ulimit -n 1024
  /usr/bin/time -v "$program" /SILENT "$dir/many$count.mdb" "$dir/out" 2> "$dir/many.txt" >/dev/null || true
  written=$(ls "$dir/out" | wc -l)
  echo "$count links to one file: wall $(wall "$dir/many.txt"), peak RSS $(($(peak "$dir/many.txt") / 1024)) MB, $written files written (of $((count + 1)))"
done
