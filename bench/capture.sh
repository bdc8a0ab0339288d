#!/usr/bin/env bash
# Throughput of run_capture beside the baseline: cat of the same bytes (the
# same two 64 MiB streams, one after the other) into /dev/null.
# Usage: bench/capture.sh [build folder, default build-bench]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
mib=64
runs=5
bytes=$((mib * 1024 * 1024))
bench/build.sh "$build" bench_capture

"$build/bench/bench_capture" "$mib" "$runs"

rates=()
for _ in $(seq "$runs"); do
  start=$(date +%s%N)
  sh -c "head -c $bytes /dev/zero; head -c $bytes /dev/zero" | cat >/dev/null
  end=$(date +%s%N)
  rates+=("$(awk -v mib=$((2 * mib)) -v ns=$((end - start)) 'BEGIN { printf "%.0f", mib / (ns / 1e9) }')")
done
median=$(printf '%s\n' "${rates[@]}" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
echo "cat into /dev/null: $((2 * mib)) MiB, median of $runs: $median MiB/s"
