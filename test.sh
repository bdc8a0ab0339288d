#!/usr/bin/env bash
# Builds pelk and runs every test: the normal build in build/, then the whole
# suite once more under AddressSanitizer and UndefinedBehaviorSanitizer.
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

scripts/windows-check.sh build-windows
echo "All tests passed."
