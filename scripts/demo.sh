#!/usr/bin/env bash
# Renders the built-in ten-second demo through the built VST 3 module into
# build/demo.wav, installing and building what is missing first (Linux lane).
# Extra arguments go to brindle-render, e.g.: ./scripts/demo.sh --param "Width=0.6"
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# What the Linux lane needs; anything missing is installed by setup.sh (as root).
needs_setup=0
for tool in cmake ninja g++ pkg-config; do
  command -v "$tool" >/dev/null 2>&1 || needs_setup=1
done
for module in sndfile libpng freetype2; do
  pkg-config --exists "$module" 2>/dev/null || needs_setup=1
done
[ -f /usr/include/gtest/gtest.h ] || needs_setup=1
if [ "$needs_setup" -eq 1 ]; then
  if [ "$(id -u)" -eq 0 ]; then
    "$root/scripts/setup.sh"
  elif command -v sudo >/dev/null 2>&1; then
    sudo "$root/scripts/setup.sh"
  else
    echo "demo: packages are missing; run scripts/setup.sh as root first" >&2
    exit 1
  fi
fi

cmake -S "$root" -B "$root/build/linux" -G Ninja >/dev/null
cmake --build "$root/build/linux" --target brindle-render brindle2 brindle3 -j"${BRINDLE_JOBS:-$(nproc)}"
"$root/build/linux/brindle-render" --module "$root/build/linux/brindle3.vst3" "$@" "$root/build/demo.wav"
echo "demo: listen to $root/build/demo.wav"
