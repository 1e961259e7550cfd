#!/usr/bin/env bash
# Fuzzes PNG decoding with libFuzzer under AddressSanitizer and UBSan.
# Usage: fuzz-png.sh [seconds] (default 60). Works in build/fuzz: an instrumented
# libpng from Debian's source package (the system one when that cannot be had),
# seeds written by pix_tests, the growing corpus, and any crash files.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-60}"
out="$root/build/fuzz"
flags=(-g -O1 -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize-recover=undefined)
mkdir -p "$out/seeds" "$out/corpus" "$out/crashes"

# libpng built with coverage, so that the fuzzer can find its way through the decoder.
png_prefix="$out/libpng"
if [ ! -f "$png_prefix/lib/libpng16.a" ]; then
  work="$out/libpng-src"
  rm -rf "$work" && mkdir -p "$work"
  (
    cd "$work"
    for version in $(apt-cache showsrc libpng1.6 2>/dev/null | awk '/^Version:/ {print $2}'); do
      apt-get source -qq --download-only "libpng1.6=$version" >/dev/null 2>&1 && break
    done
    ls ./*.dsc >/dev/null 2>&1 && dpkg-source -x --no-check ./*.dsc src >/dev/null
  ) || true
  if [ -d "$work/src" ]; then
    CC=clang CFLAGS="${flags[*]} -fsanitize=fuzzer-no-link" cmake -S "$work/src" -B "$work/build" -G Ninja \
      -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX="$png_prefix" -DPNG_SHARED=OFF -DPNG_STATIC=ON \
      -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DPNG_TOOLS=OFF >/dev/null
    cmake --build "$work/build" >/dev/null
    cmake --install "$work/build" >/dev/null
  fi
  rm -rf "$work"
fi
if [ -f "$png_prefix/lib/libpng16.a" ]; then
  png=(-I"$png_prefix/include" "$png_prefix/lib/libpng16.a" -lz -lm)
else
  echo "fuzz-png: no libpng source; fuzzing against the system libpng (no coverage inside it)" >&2
  png=(-lpng -lz -lm)
fi

clang++ -std=c++17 "${flags[@]}" -fsanitize=fuzzer -I"$root/pix" \
  "$root/tests/pix/PngFuzzTarget.cpp" "$root/pix/PixPng.cpp" "$root/pix/PixBitmap.cpp" \
  "${png[@]}" -o "$out/png_fuzzer"

# Seeds: every PNG the tests write, and the images the tests embed.
cmake -S "$root" -B "$root/build/linux" -G Ninja >/dev/null
cmake --build "$root/build/linux" --target pix_tests >/dev/null
BRINDLE_PNG_SEEDS="$out/seeds" "$root/build/linux/tests/pix/pix_tests" --gtest_filter='PixPng.*' >/dev/null
cp "$root"/tests/pix/images/*.png "$out/seeds/"

cd "$out"
./png_fuzzer -max_total_time="$seconds" -max_len=65536 -timeout=20 -rss_limit_mb=3072 \
  -artifact_prefix="$out/crashes/" -print_final_stats=1 corpus seeds
