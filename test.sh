#!/usr/bin/env bash
# Builds pelk and runs every test: the normal build in build/, then the whole
# suite once more under AddressSanitizer and UndefinedBehaviorSanitizer, then
# the builds for macOS and Windows (scripts/cross-build.sh).
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
install_missing "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
[ "$(id -u)" -eq 0 ] || echo "Note: the end-to-end scenarios (label e2e) need root; they are skipped."
ctest --test-dir build --output-on-failure

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DPELK_SANITIZE=ON -DPELK_BENCH=OFF
cmake --build build-sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure --label-exclude e2e

# The runner's POSIX fallbacks, the road macOS takes, run here on Linux.
cmake -S . -B build-portable -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELK_PORTABLE_POSIX=ON \
  -DPELK_UNPACKER=OFF -DPELK_BENCH=OFF
cmake --build build-portable -j "$jobs" --target tools_tests
ctest --test-dir build-portable --output-on-failure -R '^tools$'

# pelk for the Macs: every source compiled and both executables linked (each
# checked to load only the system's libraries), then joined into one file.
# Status 3 means a toolchain or source could not be had: the target is skipped.
scripts/cross-build.sh macos-universal build-cross/out || [ $? -eq 3 ]
# pelk.exe with the unpacker, and the tests, under Wine.
scripts/windows-check.sh build-windows

# The fuzz targets, 20,000 inputs each, when clang and its fuzzer runtime can be
# had. clang 16 is the first Debian clang that compiles the C++ library's <expected>.
if install_missing clang-16 libclang-rt-16-dev &&
   echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' |
     clang++-16 -x c++ -fsanitize=fuzzer - -o /dev/null 2>/dev/null; then
  PELK_FUZZ_CXX=clang++-16 tests/fuzz/run.sh 20000
else
  echo "Fuzz targets skipped: no clang with its fuzzer runtime."
fi

echo "All tests passed."
