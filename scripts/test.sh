#!/usr/bin/env bash
# Builds the firmware and runs every test: a normal build, the fuzz targets for
# a short while, the threaded parts' tests under the thread sanitizer, then the
# whole suite again under address, leak and UB sanitizers (the simulated device
# checks for leaks when it powers off).
set -euo pipefail
cd "$(dirname "$0")/.."
JOBS=${JOBS:-2}
GEN=()
command -v ninja >/dev/null && GEN=(-G Ninja)

echo "== build"
cmake -S . -B build "${GEN[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$JOBS"
echo "== tests"
(cd build && ctest --output-on-failure -j"$JOBS" --timeout 600)

if command -v clang++-14 >/dev/null && [ -d fuzz ]; then
  echo "== fuzz targets"
  CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz "${GEN[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DDTB_FUZZ=ON -DDTB_TESTS=OFF -DDTB_BENCH=OFF >/dev/null
  cmake --build build-fuzz -j"$JOBS"
  bash scripts/run-fuzz.sh build-fuzz "${FUZZ_SECONDS:-20}"
fi

echo "== thread sanitizer build (tests of the threaded parts)"
# The speech queue and its workers, the play threads, the e-book worker, the
# card/USB receiver: their unit tests only, which keeps this build small.
TSAN_TESTS=(speech_tests players_tests players_media_tests daisy_tests ebook_tests browser_tests)
cmake -S . -B build-tsan "${GEN[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDTB_TSAN=ON -DDTB_BENCH=OFF >/dev/null
cmake --build build-tsan -j"$JOBS" --target "${TSAN_TESTS[@]}"
echo "== tests under the thread sanitizer"
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}
for t in "${TSAN_TESTS[@]}"; do
  exe=$(find build-tsan/tests -name "$t" -type f -perm -u+x | head -n 1)
  "$exe" --gtest_brief=1 >"build-tsan/$t.log" 2>&1 || { tail -n 80 "build-tsan/$t.log"; echo "$t failed under the thread sanitizer"; exit 1; }
  grep -F '[  PASSED  ]' "build-tsan/$t.log" | sed "s/^/$t: /"
done

echo "== sanitizer build"
cmake -S . -B build-asan "${GEN[@]}" -DCMAKE_BUILD_TYPE=Debug -DDTB_SANITIZE=ON -DDTB_BENCH=OFF >/dev/null
cmake --build build-asan -j"$JOBS"
echo "== tests under sanitizers"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
(cd build-asan && ctest --output-on-failure -j"$JOBS" --timeout 900)
