#!/usr/bin/env bash
# Times the code folder size walk against `du -sb` on the same generated tree
# of 200,000 small files (below the 5 GiB limit, so both walk all of it), with
# a warm cache. Usage: bench/size_note.sh [BUILD_FOLDER] (default: build-bench)
# Environment: FILES (default 200000), RUNS (default 7).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
runs=${RUNS:-7}
files=${FILES:-200000}
bench/build.sh "$build" bench_size_note
bin="$build/bench/bench_size_note"
work=$(mktemp -d "${TMPDIR:-/tmp}/pelk-size-note.XXXXXX")
trap 'rm -rf "$work"' EXIT

"$bin" generate "$work/Code" "$files"
micros() { local start end; start=$(date +%s%N); "$@" >/dev/null; end=$(date +%s%N); echo $(((end - start) / 1000)); }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Warm the cache with one run of each.
"$bin" walk "$work/Code" >/dev/null
du -sb "$work/Code" >/dev/null

# Alternate the two, so drift in the machine's load hits both alike.
for _ in $(seq "$runs"); do
  micros "$bin" walk "$work/Code" >>"$work/ours"
  micros du -sb "$work/Code" >>"$work/theirs"
done
ours=$(median <"$work/ours")
theirs=$(median <"$work/theirs")
echo "size note walk: ${ours} us (median of $runs)"
echo "du -sb:         ${theirs} us (median of $runs)"
awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "ratio:          %.3f (goal <= 1.0)\n", a / b }'
