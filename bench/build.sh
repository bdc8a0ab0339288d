#!/usr/bin/env bash
# Configures a build folder with the benchmark programs turned on (they are off
# in a normal build) and builds the targets named. Every script beside it
# builds what it measures through this one, in build-bench/ unless told
# otherwise, so the normal build/ stays without them.
# Usage: bench/build.sh BUILD_FOLDER TARGET...
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1
shift
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELK_BENCH=ON >/dev/null
cmake --build "$build" --target "$@" -j "$(nproc)" >/dev/null
