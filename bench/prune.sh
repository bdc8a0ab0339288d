#!/usr/bin/env bash
# Builds and runs the retention benchmark: prune_share_folder against find(1)
# over a share folder of 100,000 files, half of them past the limit.
# Usage: bench/prune.sh [BUILD_FOLDER [FILES [ROUNDS [PARENT]]]]   (default: build-bench)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
shift || true
bench/build.sh "$build" bench_prune
"$build/bench/bench_prune" "$@"
