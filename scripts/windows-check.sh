#!/usr/bin/env bash
# Cross-builds pelk.exe and the test executables for 64-bit Windows with
# mingw-w64 and runs them under Wine. Called by test.sh; it can run alone:
#   scripts/windows-check.sh [BUILD_FOLDER]     (default: build-windows)
# pelk.exe is the full build of scripts/cross-build.sh windows-x86_64, the
# Mutagen unpacker with its libarchive and libcrypto included, configured here
# with the tests as well. When the cross compiler, Wine or a library's source
# cannot be had, it says why and skips.
# Tests that do not run on Windows yet are listed, with the reason, in
# scripts/windows-pending.txt; everything else must build and pass.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh

WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64)
if ! install_missing "${WINDOWS_PACKAGES[@]}" "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" googletest; then
  echo "Windows check skipped: could not install ${WINDOWS_PACKAGES[*]} (apt-get failed; see above)"
  exit 0
fi
wine=""
for candidate in /usr/lib/wine/wine64 "$(command -v wine64 || true)" "$(command -v wine || true)"; do
  if [ -n "$candidate" ] && [ -x "$candidate" ]; then wine=$candidate; break; fi
done
if [ -z "$wine" ]; then
  echo "Windows check skipped: wine64 is installed but no wine64 program was found"
  exit 0
fi
wineserver=$(dirname "$wine")/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver || true)

build=$(realpath -m "${1:-build-windows}")
toolchain=$PWD/cmake/mingw-w64-x86_64.cmake
jobs=$(nproc)
mkdir -p "$build"

# What is left out for now, and why.
skip_files=() skip_suites=() skip_tests=()
while read -r kind name reason; do
  case "$kind" in
    ""|\#*) continue ;;
    file) skip_files+=("$name") ;;
    suite) skip_suites+=("$name") ;;
    test) skip_tests+=("$name") ;;
    *) echo "scripts/windows-pending.txt: unknown kind '$kind'"; exit 1 ;;
  esac
  echo "Windows check leaves out $kind $name: $reason"
done <scripts/windows-pending.txt

# GoogleTest, built from Debian's sources with the cross compiler.
gtest_prefix=$build/googletest-install
if [ ! -f "$gtest_prefix/lib/cmake/GTest/GTestConfig.cmake" ]; then
  cmake -S /usr/src/googletest -B "$build/googletest" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$gtest_prefix" -DBUILD_GMOCK=ON >/dev/null
  cmake --build "$build/googletest" -j "$jobs" >/dev/null
  cmake --install "$build/googletest" >/dev/null
fi

# pelk.exe, through the same script that makes the release executable, with
# the test executables configured beside it.
skip_list=$(IFS=';'; echo "${skip_files[*]}")
status=0
PELK_CROSS_BUILD_DIR=$build scripts/cross-build.sh windows-x86_64 "$build/out" \
  -DPELK_TESTS=ON -DCMAKE_CROSSCOMPILING_EMULATOR="$wine" \
  -DGTest_DIR="$gtest_prefix/lib/cmake/GTest" "-DPELK_SKIP_TEST_FILES=$skip_list" || status=$?
if [ "$status" -eq 3 ]; then
  echo "Windows check skipped: pelk.exe could not be built here (see the line above)"
  exit 0
fi
[ "$status" -eq 0 ] || exit "$status"

targets=()
suites_run=()
known_targets=$(cmake --build "$build" --target help)
for folder in tests/*/; do
  suite=$(basename "$folder")
  grep -q "^\.\.\. ${suite}_tests\$" <<<"$known_targets" || continue
  [[ " ${skip_suites[*]} " == *" $suite "* ]] && continue
  targets+=("${suite}_tests")
  suites_run+=("$suite")
done
cmake --build "$build" -j "$jobs" --target "${targets[@]}"

# A private Wine prefix, with its server kept running across all the tests.
export WINEPREFIX=$build/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$wine" wineboot --init >/dev/null 2>&1 || true
fi
if [ -n "$wineserver" ]; then
  # wineboot leaves its own server behind for a few seconds; a second one
  # cannot start beside it, and tests that connect while it shuts down lose
  # their connection. So that one ends first, then the lasting one starts.
  "$wineserver" --wait >/dev/null 2>&1 </dev/null || true
  "$wineserver" --persistent=30 >/dev/null 2>&1 </dev/null || true
  trap '"$wineserver" --kill >/dev/null 2>&1 || true' EXIT
fi

# An empty GTEST_FILTER would select no test at all, so it is set only with entries.
if [ ${#skip_tests[@]} -gt 0 ]; then
  export GTEST_FILTER="-$(IFS=':'; echo "${skip_tests[*]}")"
else
  unset GTEST_FILTER
fi
suite_pattern="^($(IFS='|'; echo "${suites_run[*]}"))\$"
ctest --test-dir "$build" --output-on-failure -R "$suite_pattern"

# The program as a user starts it. Wine sets USERPROFILE itself, so the
# variable is changed inside cmd, which passes it on to pelk.exe.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
pelk_exe=$(windows_path "$build/out/pelk.exe")
failures=0
expect() {  # what, wanted text, status wanted, then the command for cmd /c
  local what=$1 wanted=$2 wanted_status=$3 got status
  shift 3
  set +e
  got=$(LC_ALL=C.UTF-8 "$wine" cmd /c "$*" 2>&1 </dev/null | tr -d '\r')
  status=${PIPESTATUS[0]}
  set -e
  if [ "$got" = "$wanted" ] && [ "$status" = "$wanted_status" ]; then
    echo "pelk.exe $what: '$got', status $status"
  else
    echo "FAILED pelk.exe $what: got '$got' with status $status; wanted '$wanted' with status $wanted_status"
    failures=$((failures + 1))
  fi
}
version=$(sed -n 's/^project(pelk VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
home=$(mktemp -d "$build/home.XXXXXX")
expect "version" "pelk $version (laptop)" 0 "$pelk_exe version"
expect "laptop status without USERPROFILE" \
  "pelk: the home directory is not set (HOME, or USERPROFILE on Windows)" 2 \
  "set USERPROFILE=&& $pelk_exe laptop status"
expect "laptop share macos" "pelk: cannot change the screenshot folder: defaults: not found" 1 \
  "set USERPROFILE=$(windows_path "$home")&& $pelk_exe laptop share macos"
# A home folder whose name is not ASCII is found and written under as it is.
wide_home="$home/Zoë ✓"
wide_home=$(printf "$wide_home")
mkdir -p "$wide_home"
expect "laptop share keep 3 with a non-ASCII home" "" 0 \
  "set USERPROFILE=$(windows_path "$wide_home")&& $pelk_exe laptop share keep 3"
if [ "$(cat "$wide_home/.config/pelk/share-keep-days" 2>/dev/null)" != "3" ]; then
  echo "FAILED pelk.exe laptop share keep 3 did not write ~/.config/pelk/share-keep-days under $wide_home"
  failures=$((failures + 1))
fi
rm -rf "$home"
if [ "$failures" -ne 0 ]; then
  echo "Windows check failed."
  exit 1
fi
echo "Windows check passed (under Wine, with the unpacker)."
