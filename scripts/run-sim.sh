#!/usr/bin/env bash
# Builds the firmware and starts it on the simulated board, interactively,
# with a small demo library on the internal memory.
#
#   scripts/run-sim.sh [ROOT] [dtbsim options...]     (ROOT: ~/.dtbsim-demo)
# Examples: scripts/run-sim.sh ~/.dtbsim-demo --lang pl
#           scripts/run-sim.sh /tmp/dev --audio-out /tmp/dev.wav
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=${1:-$HOME/.dtbsim-demo}
[ $# -gt 0 ] && shift
GEN=()
command -v ninja >/dev/null && GEN=(-G Ninja)
cmake -S . -B build "${GEN[@]}" >/dev/null
cmake --build build -j"${JOBS:-2}"
# The library goes on the internal memory once; later runs keep whatever
# the device and the user did with it.
if [ ! -e "$ROOT/var/demo-library-made" ]; then
  mkdir -p "$ROOT/mnt/emmc"
  bash scripts/make-demo-library.sh "$ROOT/mnt/emmc"
  mkdir -p "$ROOT/var" && touch "$ROOT/var/demo-library-made"
fi
exec build/sim/dtbsim --root "$ROOT" "$@"
