#!/usr/bin/env bash
# Builds the benchmarks and runs each one's single pass (see bench/README.md)
# under callgrind and under /usr/bin/time -v, then prints one table:
# instructions of the whole run, peak resident memory and wall time.
#
#   scripts/bench.sh [BUILD_DIR] [NAME...]     NAME: e.g. bench_daisy (default: all)
#   scripts/bench.sh --arm-memory ARM_TESTS_BUILD [BUILD_DIR]
#       the resident memory of the ARM player (of cross-build.sh --tests, on the
#       simulated board) under qemu-arm-static, driven by this PC's dtbsim: idle
#       in the browser, after opening a large DAISY book, after a 30 MB text
#   scripts/bench.sh --heap ARM_TESTS_BUILD [BUILD_DIR]
#       the player's peak heap (DTB_HEAP_REPORT, glibc's count of bytes in use)
#       on ARM under qemu-arm-static and on the PC, driven by the PC's dtbsim:
#       a DAISY book with audio played for a minute, a 10 MB EPUB read for a minute
#
# Test files are generated into $DTB_BENCH_DIR (default /tmp/dtb_bench).
set -euo pipefail
cd "$(dirname "$0")/.."
DATA=${DTB_BENCH_DIR:-/tmp/dtb_bench}
export DTB_BENCH_DIR=$DATA
JOBS=${JOBS:-2}

# VmHWM and VmRSS (kB) of the emulated player after `script` ran on a root
# whose browser stands on `entry`.
arm_player_memory() {
  local root=$1 entry=$2 script=$3 pid="" hwm=0 rss=0 line
  printf '%s' "$entry" >"$root/mnt/settings/poweroff.path"
  : >"$root/var/log/transcript"
  printf '%s\nquit\n' "$script" >"$root.script"
  "$HB/sim/dtbsim" --root "$root" --player "$root.player" --audio-out "$root.wav" --script "$root.script" >"$root.out" 2>&1 &
  local sim=$!
  while kill -0 "$sim" 2>/dev/null; do
    [ -n "$pid" ] || pid=$(pgrep -o -f "qemu-arm-static $AB/core/dtbplayer" || true)
    if [ -n "$pid" ] && line=$(grep -E '^Vm(HWM|RSS)' "/proc/$pid/status" 2>/dev/null); then
      hwm=$(awk '/VmHWM/ { print $2 }' <<<"$line")
      rss=$(awk '/VmRSS/ { print $2 }' <<<"$line")
    fi
    sleep 1
  done
  wait "$sim" || { cat "$root.out"; echo "bench: dtbsim failed"; exit 1; }
  # A window above the browser shows that the play key opened the entry.
  local opened=no
  grep -q ' window [1-9] ' "$root/var/log/transcript" && opened=yes
  echo "$hwm $rss $opened"
}

# The "heap: peak" line power-off logs (KiB) after `script` ran with `player`
# on a root whose browser stands on `entry`.
player_heap() {
  local root=$1 player=$2 entry=$3 script=$4
  printf '%s' "$entry" >"$root/mnt/settings/poweroff.path"
  : >"$root/var/log/player.log"
  printf '%s\npower hold 3\nexpect shutting down 60\nwait 5\nquit\n' "$script" >"$root.script"
  DTB_HEAP_REPORT=1 "$HB/sim/dtbsim" --root "$root" --player "$player" --audio-out "$root.wav" \
    --script "$root.script" >"$root.out" 2>&1 || { cat "$root.out" >&2; echo "bench: dtbsim failed" >&2; exit 1; }
  grep -q ' window [1-9] ' "$root/var/log/transcript" || { echo "bench: $entry did not open" >&2; exit 1; }
  sed -n 's/^heap: peak \([0-9]*\) KiB.*/\1/p' "$root/var/log/player.log" | tail -n 1
}

if [ "${1:-}" = "--heap" ]; then
  AB=$(cd "$2" && pwd)
  HB=$(cd "${3:-build}" && pwd)
  export DTB_ARMHF_SYSROOT=${DTB_ARMHF_SYSROOT:-/opt/dtb-armhf-sysroot}
  cmake --build "$AB" -j"$JOBS" --target dtbplayer
  cmake --build "$HB" -j"$JOBS" --target dtbsim dtbplayer bench_daisy bench_ebook_markup
  mkdir -p "$DATA"
  [ -f "$DATA/daisy/d202/ncc.html" ] || "$HB/bench/bench_daisy" --generate "$DATA/daisy" >/dev/null
  [ -f "$DATA/book10.epub" ] || "$HB/bench/bench_ebook_markup" --make="$DATA" >/dev/null
  root=$(mktemp -d)/root
  "$HB/sim/dtbsim" --root "$root" --fresh --lang en --audio-out "$root.wav" --script - <<<"quit" >/dev/null
  # The generated book's audio files are empty: each gets the same tone, as
  # long as its 150 clips of 2.5 s.
  book="$root/mnt/emmc/Daisy/daisy_with_audio"
  mkdir -p "$book"
  cp "$DATA/daisy/d202/"*.html "$DATA/daisy/d202/"*.smil "$book/"
  ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=375" -ac 1 -ar 22050 -b:a 32k "$book/a0000.mp3"
  for f in "$DATA/daisy/d202/"a*.mp3; do
    [ "$(basename "$f")" = a0000.mp3 ] || ln "$book/a0000.mp3" "$book/$(basename "$f")"
  done
  epub="$DATA/book10.epub"
  cp "$epub" "$root/mnt/emmc/"
  # As cross-build.sh --e2e: the speech workers start under the emulator, and
  # the voices are read from a copy in memory.
  voices=$(mktemp -d /dev/shm/dtb-espeak.XXXXXX)
  cp -r "$DTB_ARMHF_SYSROOT/usr/lib/arm-linux-gnueabihf/espeak-ng-data/." "$voices/"
  printf '#!/bin/sh\nexport QEMU_LD_PREFIX=%s ESPEAK_DATA_PATH=%s DTB_EXEC_WRAPPER=%s\nexec %s %s/core/dtbplayer "$@"\n' \
    "$DTB_ARMHF_SYSROOT" "$voices" "$(command -v qemu-arm-static)" "$(command -v qemu-arm-static)" "$AB" >"$root.player"
  chmod +x "$root.player"
  echo "| what | peak heap on ARM (32-bit) | on the PC (64-bit) |"
  echo "|---|---|---|"
  for run in "DAISY 2.02 book with audio, a minute of play|/mnt/emmc/Daisy/daisy_with_audio|wait 20\nkey play\nwait 5\nkey play\nwait 60" \
             "$(basename "$epub") ($(du -m "$epub" | cut -f1) MB EPUB), a minute of reading|/mnt/emmc/$(basename "$epub")|wait 20\nkey play\nwait 60"; do
    IFS='|' read -r what entry script <<<"$run"
    arm=$(DTB_SIM_SLOWDOWN=4 player_heap "$root" "$root.player" "$entry" "$(printf "$script")")
    pc=$(player_heap "$root" "$HB/core/dtbplayer" "$entry" "$(printf "$script")")
    printf '| %s | %.1f MB | %.1f MB |\n' "$what" "$(awk -v k="$arm" 'BEGIN { print k / 1024 }')" \
      "$(awk -v k="$pc" 'BEGIN { print k / 1024 }')"
  done
  rm -rf "$(dirname "$root")" "$voices"
  exit 0
fi

if [ "${1:-}" = "--arm-memory" ]; then
  AB=$(cd "$2" && pwd)
  HB=$(cd "${3:-build}" && pwd)
  cmake --build "$AB" -j"$JOBS" --target dtbplayer dtb_resources
  cmake --build "$HB" -j"$JOBS" --target dtbsim bench_daisy bench_ebook_txt
  mkdir -p "$DATA"
  [ -f "$DATA/daisy/d202/ncc.html" ] || "$HB/bench/bench_daisy" --generate "$DATA/daisy" >/dev/null
  [ -f "$DATA/pl30_utf8.txt" ] || "$HB/bench/bench_ebook_txt" --make="$DATA" >/dev/null
  root=$(mktemp -d)/root
  "$HB/sim/dtbsim" --root "$root" --fresh --lang en --audio-out "$root.wav" --script - <<<"quit" >/dev/null
  # Books in the "Daisy" folder are listed and opened as DAISY books.
  mkdir -p "$root/mnt/emmc/Daisy"
  cp -r "$DATA/daisy/d202" "$root/mnt/emmc/Daisy/big_daisy_book"
  cp "$DATA/pl30_utf8.txt" "$root/mnt/emmc/"
  printf '#!/bin/sh\nexec qemu-arm-static %s/core/dtbplayer "$@"\n' "$AB" >"$root.player"
  chmod +x "$root.player"
  echo "| state | peak RSS | RSS at the end | a window opened |"
  echo "|---|---|---|---|"
  for run in "idle in the browser|/mnt/emmc/pl30_utf8.txt|wait 40" \
             "large DAISY 2.02 book opened|/mnt/emmc/Daisy/big_daisy_book|wait 20\nkey play\nwait 5\nkey play\nwait 60" \
             "30 MB text opened|/mnt/emmc/pl30_utf8.txt|wait 20\nkey play\nwait 60"; do
    IFS='|' read -r what entry script <<<"$run"
    read -r hwm rss opened < <(arm_player_memory "$root" "$entry" "$(printf "$script")")
    printf '| %s | %.1f MB | %.1f MB | %s |\n' "$what" "$(awk -v k="$hwm" 'BEGIN { print k / 1024 }')" \
      "$(awk -v k="$rss" 'BEGIN { print k / 1024 }')" "$opened"
  done
  rm -rf "$(dirname "$root")"
  exit 0
fi

B=${1:-build}
[ $# -gt 0 ] && shift
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
