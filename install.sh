#!/usr/bin/env bash
# Installs the build dependencies that are missing, builds pelk (Release) and
# installs it as /usr/local/bin/pelk.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
install_missing "${BUILD_PACKAGES[@]}"
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr/local \
  -DPELK_TESTS=OFF
cmake --build build-release --target pelk -j "$(nproc)"
if [ "$(id -u)" -eq 0 ]; then
  cmake --install build-release
else
  sudo cmake --install build-release
fi
echo "Installed: $(command -v pelk || echo /usr/local/bin/pelk)"
