# Cross build for macOS on Apple silicon with zig (see cmake/zig-macos.cmake).
#   scripts/cross-build.sh macos-arm64 OUTDIR
set(CMAKE_SYSTEM_PROCESSOR arm64)
set(PELK_ZIG_TARGET aarch64-macos)
include(${CMAKE_CURRENT_LIST_DIR}/zig-macos.cmake)
