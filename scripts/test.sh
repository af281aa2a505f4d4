#!/usr/bin/env bash
# Builds the firmware and runs every test, in under 45 minutes on two cores:
#  1. the normal build and the whole suite;
#  2. one clang build with address and UB sanitizers that also gives the fuzz
#     targets: the fuzz targets for a short, seeded while, then the unit tests
#     and one end-to-end run per subsystem under the sanitizers (the simulated
#     device checks for leaks when it powers off);
#  3. the threaded parts' unit tests under the thread sanitizer;
#  4. the device's build for 32-bit ARM against the armhf sysroot, its unit
#     tests under qemu-arm-static, and the end-to-end subset of
#     tests/arm/e2e-subset.txt against the ARM player (skipped with a note when
#     the cross tools or the sysroot are missing: install-deps.sh --cross).
# Every build treats a warning as an error (DTB_WERROR, ARM_WERROR).
# Each step prints its time.
set -euo pipefail
cd "$(dirname "$0")/.."
JOBS=${JOBS:-2}
GEN=()
command -v ninja >/dev/null && GEN=(-G Ninja)
T0=$SECONDS
step() { echo "== $1 (at $(((SECONDS - T0) / 60))m$(((SECONDS - T0) % 60))s)"; }

step "build"
cmake -S . -B build "${GEN[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDTB_WERROR=ON >/dev/null
cmake --build build -j"$JOBS"

# One end-to-end run per subsystem; the parsers' own end-to-end runs (DAISY,
# e-book formats) and the random keys run all go under the sanitizers.
E2E_UNDER_ASAN='^(SimE2E\.HoldingThePowerKey|BrowserE2e\.(CardInserted|AudioBookFolder)|FileOperationE2e\.CutPaste'
E2E_UNDER_ASAN+='|DaisyE2e\.(AudioBookFromTheBrowser|TextOnlyBook)|EbookReaderE2e\.BooksFromTheBrowser'
E2E_UNDER_ASAN+='|MarkupReaderE2e|BinaryReaderE2e|KilledE2e\.Ebook|BookmarkMenuE2e|AlarmE2E\.RingsSnoozes'
E2E_UNDER_ASAN+='|PowerE2E\.PowerClick|RadioE2E\.SeekWraps|RecordE2E\.FiveSecondsOfMicrophoneToMp3'
E2E_UNDER_ASAN+='|SettingsMenuE2e\.ChangesSurvive|SpeechE2e\.English|SupervisorE2e\.(PlayerInstallsAValid|BootsThePlayer)'
E2E_UNDER_ASAN+='|PlayersE2e\.MusicKeyPlaysTheFolder|ToolsE2E\.Calculator|Dtbsim\.UsbComputer|reliability_random_keys)'
ALL_E2E='E2[eE]\.|^reliability_|^Dtbsim\.|^PlayerE2e\.|^ImageE2e\.'
# The end-to-end runs mostly wait for the simulated device in real time (a few
# per cent of a core each), so more of them run side by side than the cores.
E2E_JOBS=${E2E_JOBS:-$((JOBS * 3))}

step "tests"
(cd build && ctest --output-on-failure -j"$JOBS" --timeout 600 -E "$ALL_E2E")
step "end-to-end tests"
(cd build && ctest --output-on-failure -j"$E2E_JOBS" --timeout 600 -R "$ALL_E2E")

step "sanitizer build (clang: address, UB, fuzz targets)"
# -O1 with line tables and assertions: quicker to build than -O2 with full
# debug information, and the reports still name file and line.
CC=clang-14 CXX=clang++-14 cmake -S . -B build-asan "${GEN[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only" \
  -DDTB_SANITIZE=ON -DDTB_FUZZ=ON -DDTB_BENCH=OFF -DDTB_WERROR=ON >/dev/null
cmake --build build-asan -j"$JOBS"
step "fuzz targets"
JOBS="$JOBS" bash scripts/run-fuzz.sh build-asan "${FUZZ_SECONDS:-10}"
step "tests under sanitizers"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
(cd build-asan && ctest --output-on-failure -j"$JOBS" --timeout 900 -E "$ALL_E2E")
(cd build-asan && ctest --output-on-failure -j"$((E2E_JOBS * 2 / 3))" --timeout 900 -R "$E2E_UNDER_ASAN")

step "thread sanitizer build (tests of the threaded parts)"
# The speech queue and its workers, the play threads, the e-book worker, the
# card/USB receiver, the recorder's capture and writing threads: their unit
# tests only, which keeps this build small.
TSAN_TESTS=(speech_tests players_tests players_media_tests daisy_tests ebook_tests browser_tests record_tests)
cmake -S . -B build-tsan "${GEN[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DDTB_TSAN=ON -DDTB_BENCH=OFF -DDTB_WERROR=ON >/dev/null
cmake --build build-tsan -j"$JOBS" --target "${TSAN_TESTS[@]}"
step "tests under the thread sanitizer"
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}
for t in "${TSAN_TESTS[@]}"; do
  exe=$(find build-tsan/tests -name "$t" -type f -perm -u+x | head -n 1)
  "$exe" --gtest_brief=1 >"build-tsan/$t.log" 2>&1 ||
    { tail -n 80 "build-tsan/$t.log"; echo "$t failed under the thread sanitizer"; exit 1; }
  grep -F '[  PASSED  ]' "build-tsan/$t.log" | sed "s/^/$t: /"
done

step "ARM build and unit tests under emulation"
if command -v arm-linux-gnueabihf-g++ >/dev/null && command -v qemu-arm-static >/dev/null &&
   [ -f "${DTB_ARMHF_SYSROOT:-/opt/dtb-armhf-sysroot}/.debs" ]; then
  bash scripts/cross-build.sh --tests build-armhf-tests
  step "ARM end-to-end subset under emulation"
  bash scripts/cross-build.sh --e2e build build-armhf-tests
else
  echo "skipped: no ARM cross compiler, qemu-arm-static or armhf sysroot (bash scripts/install-deps.sh --cross)"
fi
step "done"
