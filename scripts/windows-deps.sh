#!/usr/bin/env bash
# Builds the Windows (mingw-w64) dependencies from Debian's own source packages, at the
# versions the Linux build uses, into a prefix outside the checkout:
#   ${XDG_CACHE_HOME:-$HOME/.cache}/ztxmlint-win/prefix
# Each library is built once per source version (a stamp file records it), so a second run
# builds nothing. Prints the prefix on its last line.
set -euo pipefail
cd "$(dirname "$0")/.."

cache=${ZT_WIN_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/ztxmlint-win}
prefix=$cache/prefix
sources=$cache/sources
mkdir -p "$prefix/lib/pkgconfig" "$prefix/include" "$sources"
triple=x86_64-w64-mingw32
cc=$triple-gcc-posix
cxx=$triple-g++-posix
toolchain=$PWD/cmake/mingw-w64-x86_64.cmake
jobs=${ZT_WIN_JOBS:-2}
nice=(nice -n 15)

sudo_cmd=()
[[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)

# Debian's source packages of the Linux build's libraries, named by source package.
declare -A binaryOf=([libcrypto++]=libcrypto++-dev [tinyxml]=libtinyxml-dev [fmtlib]=libfmt-dev
  [libdeflate]=libdeflate-dev [googletest]=libgtest-dev)

installedVersion() { dpkg-query -W -f='${Version}' "$1"; }

# The same suites as the binary entries, as source entries.
ensureSourceEntries() {
  local list=/etc/apt/sources.list.d/ztxmlint-deb-src.sources
  [[ -f $list ]] && return 0
  local main=/etc/apt/sources.list.d/debian.sources
  if [[ -f $main ]]; then
    sed -e 's/^Types:.*/Types: deb-src/' "$main" | "${sudo_cmd[@]}" tee "$list" >/dev/null
  else
    grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
      "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/ztxmlint-deb-src.list >/dev/null
    list=/etc/apt/sources.list.d/ztxmlint-deb-src.list
  fi
  echo "windows-deps: added source entries in $list" >&2
  "${sudo_cmd[@]}" apt-get update -qq >&2
}

# Unpacks source package $1 at version $2 (patches applied) and prints its folder.
fetchSource() {
  local name=$1 version=$2 upstream dir
  upstream=${version#*:}
  upstream=${upstream%-*}
  dir=$sources/$name-$upstream
  if [[ ! -d $dir ]]; then
    ensureSourceEntries
    # Root's cache is not readable by apt's download user, which apt warns about.
    (cd "$sources" && apt-get source -qq --download-only "$name=$version" 2>&1 >/dev/null |
      grep -v 'unsandboxed' >&2 || true)
    local dsc=$sources/${name}_${version#*:}.dsc
    [[ -f $dsc ]] || { echo "windows-deps: apt-get source gave no $dsc" >&2; exit 1; }
    rm -rf "$dir.tmp"
    (cd "$sources" && dpkg-source --no-check -x "$dsc" "$dir.tmp" >/dev/null)
    mv "$dir.tmp" "$dir"
  fi
  echo "$dir"
}

stampOf() { echo "$prefix/.built-$1-$2"; }

buildCryptopp() {
  local src=$1
  "${nice[@]}" make -C "$src" -f GNUmakefile -j"$jobs" CXX="$cxx" AR=$triple-ar \
    RANLIB=$triple-ranlib CXXFLAGS="-DNDEBUG -O2 -pipe" static >/dev/null
  mkdir -p "$prefix/include/cryptopp"
  cp "$src"/*.h "$prefix/include/cryptopp/"
  cp "$src/libcrypto++.a" "$prefix/lib/libcryptopp.a"
  cat >"$prefix/lib/pkgconfig/libcrypto++.pc" <<PC
prefix=$prefix
Name: Crypto++
Description: Crypto++ cryptographic library (Windows)
Version: 8.7
Cflags: -I\${prefix}/include
Libs: -L\${prefix}/lib -lcryptopp -lbcrypt -lws2_32
PC
}

buildTinyxml() {
  local src=$1 obj=$1/win-obj
  mkdir -p "$obj"
  for f in tinyxml tinystr tinyxmlerror tinyxmlparser; do
    "${nice[@]}" "$cxx" -O2 -DNDEBUG -DTIXML_USE_STL -c "$src/$f.cpp" -o "$obj/$f.o"
  done
  rm -f "$prefix/lib/libtinyxml.a"
  $triple-ar rcs "$prefix/lib/libtinyxml.a" "$obj"/*.o
  cp "$src/tinyxml.h" "$src/tinystr.h" "$prefix/include/"
  cat >"$prefix/lib/pkgconfig/tinyxml.pc" <<PC
prefix=$prefix
Name: TinyXml
Description: simple, small, C++ XML parser (Windows)
Version: 2.6.2
Cflags: -I\${prefix}/include
Libs: -L\${prefix}/lib -ltinyxml
PC
}

# libdeflate 1.14 builds with a plain Makefile: its library is the C files of lib/.
buildLibdeflate() {
  local src=$1 obj=$1/win-obj
  mkdir -p "$obj"
  for f in "$src"/lib/*.c "$src"/lib/x86/*.c; do
    "${nice[@]}" "$cc" -O2 -DNDEBUG -I"$src" -c "$f" -o "$obj/$(basename "$f" .c).o"
  done
  rm -f "$prefix/lib/libdeflate.a"
  $triple-ar rcs "$prefix/lib/libdeflate.a" "$obj"/*.o
  cp "$src/libdeflate.h" "$prefix/include/"
  cat >"$prefix/lib/pkgconfig/libdeflate.pc" <<PC
prefix=$prefix
Name: libdeflate
Description: Fast implementation of DEFLATE, zlib, and gzip (Windows)
Version: 1.14
Cflags: -I\${prefix}/include
Libs: -L\${prefix}/lib -ldeflate
PC
}

# A CMake project: source $1, build folder $2, then its options.
buildCmake() {
  local src=$1 build=$2
  shift 2
  rm -rf "$build"
  "${nice[@]}" cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DZT_WIN_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_SHARED_LIBS=OFF "$@" >/dev/null
  "${nice[@]}" cmake --build "$build" -j "$jobs" >/dev/null
  cmake --install "$build" >/dev/null
}

for name in libcrypto++ tinyxml fmtlib libdeflate googletest; do
  version=$(installedVersion "${binaryOf[$name]}")
  stamp=$(stampOf "$name" "$version")
  [[ -f $stamp ]] && continue
  echo "windows-deps: building $name $version for Windows"
  src=$(fetchSource "$name" "$version")
  case $name in
    libcrypto++) buildCryptopp "$src" ;;
    tinyxml) buildTinyxml "$src" ;;
    fmtlib) buildCmake "$src" "$src/win-build" -DFMT_TEST=OFF -DFMT_DOC=OFF ;;
    libdeflate) buildLibdeflate "$src" ;;
    googletest) buildCmake "$src" "$src/win-build" -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON ;;
  esac
  touch "$stamp"
done
echo "$prefix"
