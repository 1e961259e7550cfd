#!/usr/bin/env bash
# Cross-builds a static libpng for the Windows lane from Debian's source package.
# Usage: build-libpng-mingw.sh PREFIX. Does nothing when PREFIX already holds it.
set -euo pipefail
prefix="${1:?usage: build-libpng-mingw.sh PREFIX}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
toolchain="$here/../cmake/mingw-w64-x86_64.cmake"

if [ -f "$prefix/lib/libpng16.a" ] && [ -f "$prefix/include/png.h" ]; then
  exit 0
fi

# apt-get source needs source entries; the machine lists only binary ones.
if ! apt-cache showsrc libpng1.6 2>/dev/null | grep -q '^Version:'; then
  src_list=/etc/apt/sources.list.d/brindle-deb-src.sources
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources > "$src_list"
  else
    grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' > /etc/apt/sources.list.d/brindle-deb-src.list
  fi
  apt-get update -qq
fi

work="$prefix/../libpng-src"
rm -rf "$work"
mkdir -p "$work"
cd "$work"
# The newest version listed is not always downloadable; fall back through the list.
fetched=""
for version in $(apt-cache showsrc libpng1.6 | awk '/^Version:/ {print $2}'); do
  if apt-get source -qq --download-only "libpng1.6=$version" >/dev/null 2>&1; then
    fetched="$version"
    break
  fi
done
[ -n "$fetched" ] || { echo "build-libpng-mingw: no libpng1.6 source version could be fetched" >&2; exit 1; }
dpkg-source -x --no-check ./*.dsc src >/dev/null

cmake -S src -B build -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
  -DPNG_EXECUTABLES=OFF -DPNG_TOOLS=OFF \
  -DZLIB_LIBRARY=/usr/x86_64-w64-mingw32/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/x86_64-w64-mingw32/include >/dev/null
cmake --build build -j"$(nproc)" >/dev/null
cmake --install build >/dev/null
cd "$prefix/.." && rm -rf "$work"
echo "build-libpng-mingw: libpng $fetched installed in $prefix"
