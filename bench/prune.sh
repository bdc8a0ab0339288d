#!/usr/bin/env bash
# Builds and runs the retention benchmark: prune_share_folder against find(1)
# over a share folder of 100,000 files, half of them past the limit.
# Usage: bench/prune.sh [BUILD_DIR] [FILES [ROUNDS [PARENT]]]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target bench_prune -j "$(nproc)" >/dev/null
"$build/bench/bench_prune" "$@"
