#!/usr/bin/env bash
# Runs every libFuzzer target built in $1 for $2 seconds each, from its seed corpus.
# The seed is fixed (FUZZ_SEED) so a run replays: a longer run with the same seed
# covers every input a shorter one tries.
set -euo pipefail
dir=${1:-build-fuzz}
secs=${2:-20}
found=0
for f in "$dir"/fuzz/fuzz_*; do
  [ -x "$f" ] || continue
  found=1
  name=$(basename "$f")
  seeds=fuzz/seeds/${name#fuzz_}
  work=$(mktemp -d)
  [ -d "$seeds" ] && cp -r "$seeds"/. "$work"/ 2>/dev/null || true
  echo "fuzz: $name for ${secs}s"
  "$f" -max_total_time="$secs" -seed="${FUZZ_SEED:-1}" -rss_limit_mb=2048 -timeout=10 "$work" >"$work.log" 2>&1 || {
    tail -n 60 "$work.log"; echo "fuzz target $name failed"; exit 1; }
  tail -n 1 "$work.log"
  rm -rf "$work" "$work.log"
done
[ $found = 1 ] || echo "fuzz: no targets built"
