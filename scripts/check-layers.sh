#!/usr/bin/env bash
# Fails when a file includes a folder above its own. The layers, lowest first;
# a file in src/<layer>/ or tests/<layer>/ may include its own layer and the
# ones before it. tests/support holds fixtures for every suite and may include
# up to tools. Files outside these folders (src/main.cpp, bench, fuzz targets)
# may include any layer.
set -euo pipefail
cd "$(dirname "$0")/.."

layers=(state tools tailnet filesync share connect maintenance cli)

declare -A rank
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done

status=0
check_folder() {  # folder, highest layer its files may include
  local folder=$1 limit=${rank[$2]} file number line path included
  [ -d "$folder" ] || return 0
  while IFS=: read -r file number line; do
    path=${line#*\"}
    path=${path%%\"*}
    included=${path%%/*}
    [ -n "${rank[$included]+set}" ] || continue
    if [ "${rank[$included]}" -gt "$limit" ]; then
      echo "$file:$number: includes \"$path\" of $included, a layer above $2" >&2
      status=1
    fi
  done < <(grep -rn --include='*.h' --include='*.cpp' '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$folder" || true)
}

for layer in "${layers[@]}"; do
  check_folder "src/$layer" "$layer"
  check_folder "tests/$layer" "$layer"
done
check_folder tests/support tools

if [ "$status" -ne 0 ]; then
  echo "Layer check failed: the order is ${layers[*]} (lowest first); move the code down or the include up." >&2
  exit 1
fi
echo "Layer check passed: ${layers[*]}."
