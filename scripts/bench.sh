#!/usr/bin/env bash
# Builds the benchmarks and runs each one's single pass (see bench/README.md)
# under callgrind and under /usr/bin/time -v, then prints one table:
# instructions of the whole run, peak resident memory and wall time.
#
#   scripts/bench.sh [BUILD_DIR] [NAME...]     NAME: e.g. bench_daisy (default: all)
#
# Test files are generated into $DTB_BENCH_DIR (default /tmp/dtb_bench).
set -euo pipefail
cd "$(dirname "$0")/.."
B=${1:-build}
[ $# -gt 0 ] && shift
DATA=${DTB_BENCH_DIR:-/tmp/dtb_bench}
export DTB_BENCH_DIR=$DATA
JOBS=${JOBS:-2}
for tool in valgrind /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "bench: $tool missing (scripts/install-deps.sh)" >&2; exit 1; }
done

# name | arguments of one measured pass | preparation (run once, not measured)
RUNS=(
  "bench_ebook_txt|--open=$DATA/pl30_utf8.txt|--make=$DATA"
  "bench_ebook_txt|--open=$DATA/pl30_cp1250.txt|"
  "bench_ebook_binary|--open=$DATA/pl5.rtf|--make=$DATA"
  "bench_ebook_binary|--open=$DATA/pl10.doc|"
  "bench_ebook_binary|--open=$DATA/pages500.pdf|"
  "bench_ebook_markup|--open=$DATA/book10.epub|--make=$DATA"
  "bench_ebook_markup|--open=$DATA/page5.html|"
  "bench_daisy|--open-once $DATA/daisy/d202/ncc.html|--generate $DATA/daisy"
  "bench_daisy|--open-once $DATA/daisy/d3/package.opf|"
  "bench_daisy_play|--once=20|"
  "bench_dirlist|--once|"
  "bench_players|--once|"
  "bench_record|--encode=mono44|"
  "bench_decode|--benchmark_filter=^BM_StreamingDecoder\$ --benchmark_min_time=0.01|"
  "bench_speech|--benchmark_filter=SystemSpeech --benchmark_min_time=0.01|"
)

cmake -S . -B "$B" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDTB_BENCH=ON >/dev/null
mapfile -t ALL < <(printf '%s\n' "${RUNS[@]}" | cut -d'|' -f1 | sort -u)
WANT=("${@:-${ALL[@]}}")
cmake --build "$B" -j"$JOBS" --target "${WANT[@]}"
mkdir -p "$DATA"
LOG=$(mktemp -d)
trap 'rm -rf "$LOG"' EXIT

rows=()
for run in "${RUNS[@]}"; do
  IFS='|' read -r name args prep <<<"$run"
  [[ " ${WANT[*]} " == *" $name "* ]] || continue
  exe="$B/bench/$name"
  # shellcheck disable=SC2086
  [ -n "$prep" ] && "$exe" $prep >/dev/null
  # shellcheck disable=SC2086
  /usr/bin/time -v "$exe" $args >"$LOG/out" 2>"$LOG/time" || { cat "$LOG/time"; echo "bench: $name $args failed"; exit 1; }
  rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$LOG/time")
  wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$LOG/time")
  # shellcheck disable=SC2086
  valgrind --tool=callgrind --callgrind-out-file="$LOG/cg" "$exe" $args >/dev/null 2>"$LOG/vg" ||
    { tail -n 20 "$LOG/vg"; echo "bench: $name $args failed under callgrind"; exit 1; }
  ir=$(sed -n 's/^.*Collected : //p' "$LOG/vg" | head -n 1)
  rows+=("$(printf '| %s | %s | %s | %.1f MB | %s |' "$name" "$args" \
    "$(awk -v n="$ir" 'BEGIN { printf "%.1f million", n / 1e6 }')" "$(awk -v k="$rss" 'BEGIN { print k / 1024 }')" "$wall")")
done

echo "| bench | run | instructions | peak RSS | wall time |"
echo "|---|---|---|---|---|"
printf '%s\n' "${rows[@]}"
