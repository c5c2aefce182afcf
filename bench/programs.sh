# Sourced by the benches once they set $repo and stand in it: builds the release preset
# unless BENCH_NO_BUILD=1 and names the programs they time ($build, $mkdb,
# $varnex; BENCH_BUILD_DIR takes them from another build folder). Each bench
# checks for itself which of them it cannot do without.
if [[ ${BENCH_NO_BUILD:-0} != 1 ]]; then
  echo "== building the release preset"
  cmake --preset release >/dev/null
  cmake --build --preset release >/dev/null
fi
build=${BENCH_BUILD_DIR:-$repo/build/release}
mkdb="$build/tools/varnex-mkdb"
varnex="$build/wizard/varnex"
