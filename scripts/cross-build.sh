#!/usr/bin/env bash
# Builds the firmware for the device (32-bit ARM, hard float) with Debian's
# cross compiler against the armhf sysroot (DTB_ARMHF_SYSROOT, default
# /opt/dtb-armhf-sysroot) that bash scripts/install-deps.sh --cross makes.
#
#   scripts/cross-build.sh [BUILD_DIR]           the device's build: dtbplayer and
#       supervisor without the simulator, their file tree in BUILD_DIR/stage and
#       its upgrade packet in BUILD_DIR/packet (default BUILD_DIR: build-armhf)
#   scripts/cross-build.sh --tests [BUILD_DIR]   the device's programs and the unit
#       tests, which run under qemu-arm-static (default BUILD_DIR: build-armhf-tests)
#   scripts/cross-build.sh --e2e PC_BUILD [BUILD_DIR]   the ARM player of the
#       simulated board (in the same BUILD_DIR) driven by the PC build's dtbsim
#       and end-to-end tests: the list in tests/arm/e2e-subset.txt, and power
#       cuts of dtbrandom (ARM_POWER_CUTS, default 6)
#
# PACKET_VERSION (default 04) is the packet's version number.
set -euo pipefail
cd "$(dirname "$0")/.."
TESTS=0
E2E=""
if [ "${1:-}" = "--tests" ]; then TESTS=1; shift; fi
if [ "${1:-}" = "--e2e" ]; then E2E=$(cd "$2" && pwd); TESTS=1; shift 2; fi
JOBS=${JOBS:-2}
GEN=()
command -v ninja >/dev/null && GEN=(-G Ninja)
TRIPLE=arm-linux-gnueabihf
QEMU=${QEMU:-qemu-arm-static}
for tool in $TRIPLE-g++ pkg-config $QEMU; do
  command -v "$tool" >/dev/null || { echo "cross-build: $tool missing: run scripts/install-deps.sh --cross" >&2; exit 1; }
done
export DTB_ARMHF_SYSROOT=${DTB_ARMHF_SYSROOT:-/opt/dtb-armhf-sysroot}
[ -f "$DTB_ARMHF_SYSROOT/.debs" ] ||
  { echo "cross-build: no armhf sysroot in $DTB_ARMHF_SYSROOT: run scripts/install-deps.sh --cross" >&2; exit 1; }
# The emulator takes the ARM programs' libraries from the sysroot.
export QEMU_LD_PREFIX=$DTB_ARMHF_SYSROOT

# The device's programs are 32-bit ARM hard-float executables carrying none
# of the simulated board.
check_programs() {
  local f
  for f in "$@"; do
    file -L "$f" | tee /dev/stderr | grep -q 'ELF 32-bit LSB .*ARM, EABI5' ||
      { echo "cross-build: $f is not a 32-bit ARM executable" >&2; exit 1; }
    $TRIPLE-readelf -A "$f" | grep -q 'Tag_ABI_VFP_args: VFP registers' ||
      { echo "cross-build: $f is not hard-float" >&2; exit 1; }
  done
}

# Warnings are errors here too: a 32-bit target warns where the PC does not
# (formats of 64-bit values, narrowing). ARM_WERROR=OFF lets a build through.
ARM_WERROR=${ARM_WERROR:-ON}

if [ "$TESTS" = 0 ]; then
  B=${1:-build-armhf}
  cmake -S . -B "$B" "${GEN[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/armhf-toolchain.cmake" -DDTB_HOST_BOARD=OFF -DDTB_TESTS=OFF -DDTB_BENCH=OFF -DDTB_WERROR="$ARM_WERROR" >/dev/null
  cmake --build "$B" -j"$JOBS"
  check_programs "$B/core/dtbplayer" "$B/supervisor/supervisor"
  rm -rf "$B/stage" "$B/packet"
  cmake --install "$B" --component device --prefix "$(cd "$B" && pwd)/stage" >/dev/null
  $TRIPLE-strip "$B/stage/home/q7exe2" "$B/stage/home/supervisor"
  python3 scripts/make-packet.py "$B/stage" "$B/packet" --version "${PACKET_VERSION:-4}"
  exit 0
fi

B=${1:-build-armhf-tests}
# The device's optimisation without debug information, which the tests do not need.
cmake -S . -B "$B" "${GEN[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/armhf-toolchain.cmake" -DDTB_HOST_BOARD=ON -DDTB_BENCH=OFF -DDTB_WERROR="$ARM_WERROR" >/dev/null
# A 32-bit library's readdir under a user-mode emulator fails on the large
# directory offsets of the PC's file system, so the speech engine finds no
# voices; its data is read from a copy in memory (tmpfs) instead.
ESPEAK_DATA_PATH=$(mktemp -d /dev/shm/dtb-espeak.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$ESPEAK_DATA_PATH"' EXIT
cp -r "$DTB_ARMHF_SYSROOT/usr/lib/$TRIPLE/espeak-ng-data/." "$ESPEAK_DATA_PATH/"
export ESPEAK_DATA_PATH

# The PC's dtbsim starts the player through a wrapper that names the
# emulator, which also starts the player's speech workers.
run_e2e() {
  local wrapper list regex
  B=$(cd "$B" && pwd)
  wrapper="$B/arm-player.sh"
  # Each start leaves a line in arm-player.starts: the proof that the tests
  # ran this player and not the PC's.
  printf '#!/bin/sh\necho "$$" >>%s/arm-player.starts\nexport QEMU_LD_PREFIX=%s ESPEAK_DATA_PATH=%s DTB_EXEC_WRAPPER=%s\nexec %s %s/core/dtbplayer "$@"\n' \
    "$B" "$DTB_ARMHF_SYSROOT" "$ESPEAK_DATA_PATH" "$(command -v "$QEMU")" "$(command -v "$QEMU")" "$B" >"$wrapper"
  : >"$B/arm-player.starts"
  chmod +x "$wrapper"
  file -L "$B/core/dtbplayer" | grep -q 'ELF 32-bit LSB .*ARM' || { echo "cross-build: $B/core/dtbplayer is not ARM" >&2; exit 1; }
  list=$(grep -v -e '^#' -e '^$' tests/arm/e2e-subset.txt)
  regex="^($(paste -sd'|' <<<"$list"))\$"
  echo "== $(wc -l <<<"$list") end-to-end tests against the ARM player under $QEMU"
  # Every test of the list must exist and none may be skipped.
  # The emulated player answers several times slower: dtbsim and the tests
  # stretch their waits by DTB_SIM_SLOWDOWN.
  (cd "$E2E" && DTB_PLAYER="$wrapper" DTB_SIM_SLOWDOWN=${DTB_SIM_SLOWDOWN:-4} ctest --output-on-failure -j"${E2E_JOBS:-$((JOBS * 2))}" --timeout 900 \
     -R "$regex" | tee "$B/e2e.log")
  [ "$(grep -c ' Passed ' "$B/e2e.log")" = "$(wc -l <<<"$list")" ] ||
    { echo "cross-build: not every test of tests/arm/e2e-subset.txt ran and passed" >&2; exit 1; }
  echo "the ARM player started $(wc -l <"$B/arm-player.starts") times"
  [ "$(wc -l <"$B/arm-player.starts")" -ge "$(wc -l <<<"$list")" ] ||
    { echo "cross-build: the tests did not start the ARM player" >&2; exit 1; }
  echo "== power cuts of the ARM player (dtbrandom)"
  rm -rf "$B/power-cuts-root"
  "$E2E/sim/dtbrandom" --root "$B/power-cuts-root" --seed 36 --cuts "${ARM_POWER_CUTS:-6}" \
    --player "$wrapper" --answer-seconds 20 || { r=$?; [ $r = 77 ] && echo "skipped: no corpus or demo library"; [ $r = 77 ]; }
}

if [ -n "$E2E" ]; then
  cmake --build "$B" -j"$JOBS" --target dtbplayer
  cmake --build "$E2E" -j"$JOBS" --target dtbsim dtbrandom
  run_e2e
  exit 0
fi
# The unit tests only: end-to-end runs start programs that the PC cannot
# execute without binfmt, and the simulator would be one more program to build.
mapfile -t UNIT < <(ninja -C "$B" -t targets all 2>/dev/null | sed -n 's/^\([a-z_]*_tests\): .*/\1/p' |
  grep -v -e '^cmake_' -e '_e2e_tests$' -e '^sim_tests$' | sort -u)
cmake --build "$B" -j"$JOBS" --target dtbplayer_device supervisor_device dtb_hostboard dtb_resources "${UNIT[@]}"
check_programs "$B/core/dtbplayer_device" "$B/supervisor/supervisor_device"
NM=$TRIPLE-nm python3 scripts/check-device-link.py "$B/core/dtbplayer_device" "$B/platform/host/libdtb_hostboard.a"
NM=$TRIPLE-nm python3 scripts/check-device-link.py "$B/supervisor/supervisor_device" "$B/platform/host/libdtb_hostboard.a"

echo "== unit tests under $QEMU"
run_one() {
  local exe
  exe=$(find "$B/tests" -name "$1" -type f -perm -u+x | head -n 1)
  # Without binfmt the kernel cannot start an ARM program: death tests fork
  # without exec (the one that must re-execute stays on the PC), the speech
  # engine starts its workers through the emulator (DTB_EXEC_WRAPPER), and
  # end-to-end runs (the simulator) stay on the PC.
  if (cd "$(dirname "$exe")" && DTB_EXEC_WRAPPER=$(command -v "$QEMU") timeout 900 "$QEMU" "./$1" --gtest_brief=1 \
      --gtest_death_test_style=fast --gtest_filter='-*E2e.*:*E2E.*:SysTtsNoVoices.*') >"$B/$1.log" 2>&1; then
    grep -F '[  PASSED  ]' "$B/$1.log" | sed "s/^/$1: /"
  else
    tail -n 60 "$B/$1.log"
    echo "$1 failed under $QEMU"
    return 1
  fi
}
export -f run_one
export B QEMU
printf '%s\n' "${UNIT[@]}" | xargs -P "$JOBS" -I{} bash -c 'run_one {}'
