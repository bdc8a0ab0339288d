#!/usr/bin/env bash
# Builds pelk and runs every test, the quick stages first: the layer check, the
# normal build in build/ and its unit suites. Then the end-to-end scenarios
# (as root), the unit suites once more under AddressSanitizer and
# UndefinedBehaviorSanitizer, the tools suite on the portable POSIX road, the
# builds for macOS and Windows (scripts/cross-build.sh) and the fuzz targets.
# Each stage prints one line, "== what it is", before it starts.
# Usage: ./test.sh [--quick]   (--quick: the quick stages only)
set -euo pipefail
cd "$(dirname "$0")"

quick=false
case "${1:-}" in
  "") ;;
  --quick) quick=true ;;
  *) echo "usage: ./test.sh [--quick]" >&2; exit 2 ;;
esac
stage() { echo "== $*"; }

stage "layer check (scripts/check-layers.sh)"
scripts/check-layers.sh

source scripts/deps.sh
install_missing "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
jobs=$(nproc)

stage "build (build/)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"

stage "unit suites (build/)"
ctest --test-dir build --output-on-failure --label-exclude e2e

if $quick; then
  echo "Quick stages passed (layer check, build, unit suites); ./test.sh runs the end-to-end, sanitizer, cross-platform and fuzz stages as well."
  exit 0
fi

stage "end-to-end scenarios (build/, label e2e)"
if [ "$(id -u)" -eq 0 ]; then
  ctest --test-dir build --output-on-failure -L e2e
else
  echo "Note: the end-to-end scenarios (label e2e) need root; they are skipped."
fi

stage "sanitizer build and unit suites (build-sanitize/)"
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DPELK_SANITIZE=ON
cmake --build build-sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure --label-exclude e2e

# The runner's POSIX fallbacks, the road macOS takes, run here on Linux.
stage "tools suite on the portable POSIX road (build-portable/)"
cmake -S . -B build-portable -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELK_PORTABLE_POSIX=ON \
  -DPELK_UNPACKER=OFF
cmake --build build-portable -j "$jobs" --target tools_tests
ctest --test-dir build-portable --output-on-failure -R '^tools$'

# pelk for the Macs: every source compiled and both executables linked (each
# checked to load only the system's libraries), then joined into one file.
# Status 3 means a toolchain or source could not be had: the target is skipped.
stage "macOS cross build (build-cross/out)"
scripts/cross-build.sh macos-universal build-cross/out || [ $? -eq 3 ]

stage "Windows check: pelk.exe, and the tests under Wine (build-windows/)"
scripts/windows-check.sh build-windows

# 20,000 inputs for each target, when clang and its fuzzer runtime can be had.
# clang 16 is the first Debian clang that compiles the C++ library's <expected>.
stage "fuzz targets, 20000 inputs each (build-fuzz/)"
if install_missing clang-16 libclang-rt-16-dev &&
   echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' |
     clang++-16 -x c++ -fsanitize=fuzzer - -o /dev/null 2>/dev/null; then
  PELK_FUZZ_CXX=clang++-16 tests/fuzz/run.sh 20000
else
  echo "Fuzz targets skipped: no clang with its fuzzer runtime."
fi

echo "All tests passed."
