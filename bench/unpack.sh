#!/usr/bin/env bash
# Times unpack_mutagen on a generated 40 MB release-like .tar.gz against
# `sha256sum` + `tar xzf` of the same file, and reports the unpacker's peak
# memory (goal: under the archive's size plus 32 MiB).
# Usage: bench/unpack.sh [BUILD_FOLDER] (default: build-bench)
# Environment: RUNS (default 7).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
runs=${RUNS:-7}
bench/build.sh "$build" bench_unpack
bin="$build/bench/bench_unpack"
work=$(mktemp -d "${TMPDIR:-/tmp}/pelk-unpack.XXXXXX")
trap 'rm -rf "$work"' EXIT

# A release-like layout: the executable and the agent bundle in a versioned
# folder, both incompressible like real binaries and an already gzipped bundle.
release="$work/src/mutagen_linux_amd64_v0.18.1"
mkdir -p "$release"
head -c $((20 * 1024 * 1024)) /dev/urandom >"$release/mutagen"
head -c $((20 * 1024 * 1024)) /dev/urandom >"$release/mutagen-agents.tar.gz"
head -c 20000 /dev/zero | tr '\0' 'L' >"$release/LICENSE"
tar czf "$work/release.tar.gz" -C "$work/src" mutagen_linux_amd64_v0.18.1
archive="$work/release.tar.gz"
checksum=$(sha256sum "$archive" | cut -d' ' -f1)
size=$(stat -c %s "$archive")
echo "archive: $size bytes"

micros() { local start end; start=$(date +%s%N); "$@" >/dev/null; end=$(date +%s%N); echo $(((end - start) / 1000)); }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
reference() { sha256sum "$1" >/dev/null && tar xzf "$1" -C "$2"; }
fresh() { rm -rf "$work/$1" && mkdir -p "$work/$1"; }

# Warm the page cache with one run of each.
fresh ours && "$bin" "$archive" "$checksum" "$work/ours"
fresh theirs && reference "$archive" "$work/theirs"
cmp "$work/ours/mutagen" "$release/mutagen"

for _ in $(seq "$runs"); do
  fresh ours && micros "$bin" "$archive" "$checksum" "$work/ours" >>"$work/ours.times"
  fresh theirs && micros reference "$archive" "$work/theirs" >>"$work/theirs.times"
done
ours=$(median <"$work/ours.times")
theirs=$(median <"$work/theirs.times")
echo "unpack_mutagen:     ${ours} us (median of $runs)"
echo "sha256sum + tar xzf: ${theirs} us (median of $runs)"
awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "ratio:              %.3f (goal <= 1.0)\n", a / b }'

fresh ours
if [ -x /usr/bin/time ]; then
  peak_kib=$(/usr/bin/time -v "$bin" "$archive" "$checksum" "$work/ours" 2>&1 >/dev/null |
    awk -F': ' '/Maximum resident set size/ { print $2 }')
  limit_kib=$(((size + 32 * 1024 * 1024) / 1024))
  echo "peak memory:        ${peak_kib} KiB (goal < ${limit_kib} KiB: archive + 32 MiB)"
else
  echo "peak memory:        /usr/bin/time not available"
fi
