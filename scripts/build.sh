#!/usr/bin/env bash
# Configures and builds both lanes: build/linux (native) and build/windows (MinGW-w64);
# the sanitizer lane, build/asan (native with AddressSanitizer and UBSan), when asked.
# Usage: build.sh [linux|windows|sanitize|all] [extra cmake -D options...]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
lane="${1:-all}"
shift || true
jobs="${BRINDLE_JOBS:-$(nproc)}"

build_lane() {
  local name="$1"; shift
  local dir="$root/build/$name"
  cmake -S "$root" -B "$dir" -G Ninja "$@"
  cmake --build "$dir" -j"$jobs"
}

case "$lane" in
  linux|all) build_lane linux "$@" ;;
esac
case "$lane" in
  windows|all)
    "$root/scripts/build-libpng-mingw.sh" "$root/.cache/mingw"
    build_lane windows -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" "$@" ;;
esac
case "$lane" in
  sanitize) build_lane asan -DBRINDLE_SANITIZE=ON -DBRINDLE_BENCHMARKS=OFF "$@" ;;
esac
case "$lane" in
  linux|windows|sanitize|all) ;;
  *) echo "usage: build.sh [linux|windows|sanitize|all] [cmake options]" >&2; exit 2 ;;
esac
