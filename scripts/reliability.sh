#!/usr/bin/env bash
# Long reliability runs on a root of their own (CI runs 4,000 events and 50
# cuts as tests). A failure prints the seed and the last 50 events; the same
# seed replays the same events.
#
#   scripts/reliability.sh keys [EVENTS] [SEED]   random keys and world events (EVENTS: 100000)
#   scripts/reliability.sh cuts [CUTS] [SEED]     power cuts: SIGKILL, then a new start (CUTS: 1000)
#
# Options after the seed go to dtbrandom (--board-rev 0|1, --long-ops SHARE,
# --answer-seconds S, ...); BUILD=build-asan runs the sanitizer build's
# binaries (give it --answer-seconds 6 --rss-growth-kb 2097152, as CI does).
set -euo pipefail
cd "$(dirname "$0")/.."
MODE=${1:?usage: reliability.sh keys|cuts [COUNT] [SEED]}
SEED=${3:-$(date +%s)}
BUILD=${BUILD:-build}
shift $(($# < 3 ? $# : 3))
case "$MODE" in
  keys) ARGS=(--events "${2:-100000}") ;;
  cuts) ARGS=(--cuts "${2:-1000}") ;;
  *) echo "usage: reliability.sh keys|cuts [COUNT] [SEED]" >&2; exit 2 ;;
esac
cmake --build "$BUILD" -j"${JOBS:-2}" --target dtbrandom dtbplayer >/dev/null
ROOT=$(mktemp -d /tmp/dtb-reliability.XXXXXX)
trap 'rm -rf "$ROOT"' EXIT
"$BUILD"/sim/dtbrandom --root "$ROOT" --seed "$SEED" "${ARGS[@]}" "$@"
