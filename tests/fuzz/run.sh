#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each one for a fixed number of inputs,
# starting from its seeds in tests/fuzz/corpus. Prints the inputs run and the
# crashes per target; exits non-zero when any target crashed.
#
# Usage: tests/fuzz/run.sh [INPUTS [TARGET...]]   (INPUTS defaults to 1000000;
#        no TARGET: every target the build made, as CMakeLists.txt beside this lists them)
# Environment: PELK_FUZZ_BUILD (build folder, default build-fuzz),
#              PELK_FUZZ_CXX (compiler, default clang++-16, else clang++).
set -euo pipefail
cd "$(dirname "$0")/../.."

inputs=${1:-1000000}
[ $# -gt 0 ] && shift
build=${PELK_FUZZ_BUILD:-build-fuzz}
compiler=${PELK_FUZZ_CXX:-$(command -v clang++-16 || command -v clang++ || true)}
[ -n "$compiler" ] || { echo "fuzz: no clang++ found" >&2; exit 1; }

cmake -S . -B "$build" -DCMAKE_CXX_COMPILER="$compiler" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPELK_FUZZ=ON -DPELK_TESTS=OFF >/dev/null
cmake --build "$build" --target fuzz_targets -j "$(nproc)" >/dev/null

targets=("$@")
[ ${#targets[@]} -gt 0 ] || mapfile -t targets <"$build/tests/fuzz/targets.txt"

symbolizer=$(command -v llvm-symbolizer-16 || command -v llvm-symbolizer || true)
[ -n "$symbolizer" ] && export ASAN_SYMBOLIZER_PATH="$symbolizer"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# Tar members need room; every other reader gets libFuzzer's usual 4 KiB.
max_len() { [ "$1" = unpack ] && echo 16384 || echo 4096; }

work="$build/fuzz-work"
failed=0
printf '%-20s %10s %8s %8s\n' target inputs crashes seconds
for target in "${targets[@]}"; do
  program="$build/tests/fuzz/fuzz_$target"
  [ -x "$program" ] || { echo "fuzz: no target $target" >&2; exit 1; }
  rm -rf "$work/$target"
  mkdir -p "$work/$target/corpus" "$work/$target/artifacts"
  log="$work/$target/log"
  started=$(date +%s)
  # New inputs go to the work corpus; the seeds in the repository stay as they are.
  set +e
  "$program" -runs="$inputs" -max_len="$(max_len "$target")" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$work/$target/artifacts/" \
    "$work/$target/corpus" "tests/fuzz/corpus/$target" >"$log" 2>&1
  status=$?
  set -e
  seconds=$(( $(date +%s) - started ))
  crashes=$(find "$work/$target/artifacts" -type f | wc -l)
  # A run that stops early stops at its first crash; its last status line
  # tells how many inputs had run by then.
  ran=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$log" | tail -1)
  [ -n "$ran" ] || ran=$(sed -n 's/^#\([0-9]*\).*/\1/p' "$log" | tail -1)
  if [ "$status" -ne 0 ] && [ "$crashes" -eq 0 ]; then crashes=1; fi
  printf '%-20s %10s %8s %8s\n' "$target" "${ran:-0}" "$crashes" "$seconds"
  if [ "$crashes" -ne 0 ]; then
    failed=1
    grep -E 'invariant broken|ERROR: |SUMMARY: |runtime error' "$log" | head -5 | sed 's/^/    /'
    find "$work/$target/artifacts" -type f | sed 's/^/    input: /'
  fi
done
exit "$failed"
