#!/usr/bin/env bash
# Start-up time of `pelk version` beside /bin/true: the median of each.
# Uses hyperfine when it is installed, else a loop of runs.
# Usage: bench/startup.sh [build folder, default build-bench]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
bench/build.sh "$build" pelk
pelk="$build/pelk"
runs=200

if command -v hyperfine >/dev/null; then
  report=$(mktemp)
  trap 'rm -f "$report"' EXIT
  hyperfine --style none --shell none --warmup 20 --runs "$runs" --export-csv "$report" \
    "$pelk version" "/bin/true" >/dev/null
  # Columns: command, mean, stddev, median, ... (seconds)
  awk -F, 'NR > 1 { printf "%s: median %.2f ms\n", $1, $4 * 1000 }' "$report"
  exit 0
fi

median_ms() {
  local times=()
  for _ in $(seq "$runs"); do
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    times+=($((end - start)))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{ v[NR] = $1 } END { printf "%.2f", v[int((NR + 1) / 2)] / 1e6 }'
}
echo "$pelk version: median $(median_ms "$pelk" version) ms"
echo "/bin/true: median $(median_ms /bin/true) ms"
