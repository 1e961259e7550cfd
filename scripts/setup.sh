#!/usr/bin/env bash
# Installs every Debian package the project needs and prepares the cross-built
# libpng for the Windows lane. Idempotent: fast when everything is present.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/.." && pwd)"

packages=(
  build-essential cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libpng-dev zlib1g-dev libsndfile1-dev libfreetype-dev fonts-dejavu-core
  clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix libz-mingw-w64-dev
  wine wine64 xvfb xauth lsp-plugins-vst
  calf-plugins x42-plugins liblilv-dev
  lsp-plugins-lv2
  libx11-dev libxext-dev libxtst-dev
  dpkg-dev python3 python3-pil
  nsis
  lintian
  zip unzip
  lv2-dev lilv-utils sordi
  jalv jackd2 xdotool x11-apps imagemagick
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The posix thread model gives std::mutex and std::thread under MinGW.
for tool in x86_64-w64-mingw32-g++ x86_64-w64-mingw32-gcc; do
  if [ -e "/usr/bin/$tool-posix" ]; then
    update-alternatives --set "$tool" "/usr/bin/$tool-posix" >/dev/null 2>&1 || true
  fi
done

"$here/build-libpng-mingw.sh" "$root/.cache/mingw"
