#!/usr/bin/env bash
# Long fuzzing, not in CI: every fuzz target for RUNS executions (default ten
# million each) from its kept corpus, fuzz/corpora/<name>/ (started from
# fuzz/seeds/<name>/). New inputs are merged back into the kept corpus, so
# the next run goes on from there; a crash, leak or time-out leaves its input
# in fuzz/findings/<name>/ (fix it, then add the input to fuzz/seeds/<name>/
# as a regression seed). Prints executions, coverage and findings per target.
#
#   scripts/long-fuzz.sh [RUNS] [TARGET...]    (builds build-fuzz with clang-14)
set -uo pipefail
cd "$(dirname "$0")/.."
RUNS=${1:-10000000}
shift || true
GEN=()
command -v ninja >/dev/null && GEN=(-G Ninja)
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz "${GEN[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DDTB_FUZZ=ON -DDTB_TESTS=OFF -DDTB_BENCH=OFF >/dev/null || exit 1
cmake --build build-fuzz -j"${JOBS:-2}" >/dev/null || exit 1

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in build-fuzz/fuzz/fuzz_*; do [ -x "$f" ] && targets+=("$(basename "$f")"); done
fi
printf '%-26s %12s %8s %8s %8s %s\n' target executions cov ft corpus findings
status=0
for name in "${targets[@]}"; do
  name=fuzz_${name#fuzz_}
  short=${name#fuzz_}
  kept=fuzz/corpora/$short
  found=fuzz/findings/$short
  mkdir -p "$kept" "$found"
  [ -d "fuzz/seeds/$short" ] && cp -n fuzz/seeds/"$short"/* "$kept"/ 2>/dev/null
  work=$(mktemp -d)
  log=$work/log
  "build-fuzz/fuzz/$name" -runs="$RUNS" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$found/" "$work" "$kept" >"$log" 2>&1
  rc=$?
  # New inputs join the kept corpus, minimised.
  mkdir -p "$work/merged"
  "build-fuzz/fuzz/$name" -merge=1 "$work/merged" "$kept" "$work" >/dev/null 2>&1 &&
    rm -rf "$kept" && mv "$work/merged" "$kept"
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*')
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*')
  n=$(ls "$found" | wc -l)
  printf '%-26s %12s %8s %8s %8s %s\n' "$short" "${execs:-?}" "${cov:-?}" "${ft:-?}" "$(ls "$kept" | wc -l)" "$n"
  if [ $rc -ne 0 ]; then
    status=1
    grep -m3 -E 'ERROR|SUMMARY' "$log" | sed 's/^/    /'
  fi
  rm -rf "$work"
done
exit $status
