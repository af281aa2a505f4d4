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
#
# PACKET_VERSION (default 04) is the packet's version number.
set -euo pipefail
cd "$(dirname "$0")/.."
TESTS=0
if [ "${1:-}" = "--tests" ]; then TESTS=1; shift; fi
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

# Warnings are errors here too once a run of the ARM compiler has shown the
# tree clean (a 32-bit target warns where the PC does not: formats of 64-bit
# values, narrowing); until then ARM_WERROR=ON asks for it.
ARM_WERROR=${ARM_WERROR:-OFF}

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
# The unit tests only: end-to-end runs start programs that the PC cannot
# execute without binfmt, and the simulator would be one more program to build.
mapfile -t UNIT < <(ninja -C "$B" -t targets all 2>/dev/null | sed -n 's/^\([a-z_]*_tests\): .*/\1/p' |
  grep -v -e '^cmake_' -e '_e2e_tests$' -e '^sim_tests$' | sort -u)
cmake --build "$B" -j"$JOBS" --target dtbplayer_device supervisor_device dtb_hostboard dtb_resources "${UNIT[@]}"
check_programs "$B/core/dtbplayer_device" "$B/supervisor/supervisor_device"
NM=$TRIPLE-nm python3 scripts/check-device-link.py "$B/core/dtbplayer_device" "$B/platform/host/libdtb_hostboard.a"
NM=$TRIPLE-nm python3 scripts/check-device-link.py "$B/supervisor/supervisor_device" "$B/platform/host/libdtb_hostboard.a"

echo "== unit tests under $QEMU"
# A 32-bit library's readdir under a user-mode emulator fails on the large
# directory offsets of the PC's file system, so the speech engine finds no
# voices; its data is read from a copy in memory (tmpfs) instead.
ESPEAK_DATA_PATH=$(mktemp -d /dev/shm/dtb-espeak.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$ESPEAK_DATA_PATH"' EXIT
cp -r "$DTB_ARMHF_SYSROOT/usr/lib/$TRIPLE/espeak-ng-data/." "$ESPEAK_DATA_PATH/"
export ESPEAK_DATA_PATH
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
