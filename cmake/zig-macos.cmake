# Shared part of the macOS cross builds (cmake/macos-arm64.cmake,
# cmake/macos-x86_64.cmake). zig's C and C++ compilers bring libc++ and macOS's
# own C headers and link Mach-O executables against libSystem, so no Apple SDK
# is needed. scripts/cross-build.sh installs zig and writes the wrappers
# (cc, c++, ar, ranlib for one target) into a folder it hands over as
# PELK_ZIG_TOOLS, on the command line or in the environment.
set(CMAKE_SYSTEM_NAME Darwin)
set(CMAKE_OSX_SYSROOT "")

if(NOT PELK_ZIG_TOOLS)
  set(PELK_ZIG_TOOLS "$ENV{PELK_ZIG_TOOLS}")
endif()
if(NOT EXISTS "${PELK_ZIG_TOOLS}/c++")
  message(FATAL_ERROR "PELK_ZIG_TOOLS must name the folder of the zig wrappers for "
    "${PELK_ZIG_TARGET} (scripts/cross-build.sh writes it); got '${PELK_ZIG_TOOLS}'")
endif()
# The compiler checks build small projects of their own: they need the folder too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PELK_ZIG_TOOLS)

set(CMAKE_C_COMPILER "${PELK_ZIG_TOOLS}/cc")
set(CMAKE_CXX_COMPILER "${PELK_ZIG_TOOLS}/c++")
set(CMAKE_AR "${PELK_ZIG_TOOLS}/ar" CACHE FILEPATH "Archiver")
set(CMAKE_RANLIB "${PELK_ZIG_TOOLS}/ranlib" CACHE FILEPATH "Archive indexer")

# Nothing of the host's: libraries, headers and packages are found only under
# this empty root, so each one comes in by name (ZLIB_LIBRARY, CLI11_DIR, ...)
# and the Linux headers in /usr/include never reach the macOS compile.
set(CMAKE_FIND_ROOT_PATH "${PELK_ZIG_TOOLS}/no-host-files")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
