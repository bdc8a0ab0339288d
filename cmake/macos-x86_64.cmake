# Cross build for macOS on Intel Macs with zig (see cmake/zig-macos.cmake).
#   scripts/cross-build.sh macos-x86_64 OUTDIR
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(PELK_ZIG_TARGET x86_64-macos)
include(${CMAKE_CURRENT_LIST_DIR}/zig-macos.cmake)
