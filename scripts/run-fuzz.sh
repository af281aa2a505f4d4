#!/usr/bin/env bash
# Runs every libFuzzer target built in $1 for $2 seconds each, from its seed
# corpus, JOBS targets at a time. The seed is fixed (FUZZ_SEED) so a run
# replays: a longer run with the same seed covers every input a shorter one tries.
set -euo pipefail
dir=${1:-build-fuzz}
secs=${2:-20}

run_one() {
  local f=$1 secs=$2 name seeds work
  name=$(basename "$f")
  seeds=fuzz/seeds/${name#fuzz_}
  work=$(mktemp -d)
  [ -d "$seeds" ] && cp -r "$seeds"/. "$work"/ 2>/dev/null || true
  if "$f" -max_total_time="$secs" -seed="${FUZZ_SEED:-1}" -rss_limit_mb=2048 -timeout=10 "$work" >"$work.log" 2>&1; then
    echo "fuzz: $name for ${secs}s: $(tail -n 1 "$work.log")"
    rm -rf "$work" "$work.log"
  else
    tail -n 60 "$work.log"
    echo "fuzz target $name failed"
    return 1
  fi
}
export -f run_one

targets=()
for f in "$dir"/fuzz/fuzz_*; do [ -x "$f" ] && targets+=("$f"); done
[ ${#targets[@]} -gt 0 ] || { echo "fuzz: no targets built"; exit 0; }
printf '%s\n' "${targets[@]}" | xargs -P "${JOBS:-2}" -I{} bash -c 'run_one "$1" "$2"' _ {} "$secs"
