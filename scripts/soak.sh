#!/usr/bin/env bash
# The soak, not part of CI: an hour of audio at 48 kHz (or the minutes given) through the
# plug-in in-process and through both Linux modules, with random automation of every
# parameter, random block sizes and state round trips; prints the figures and fails on a
# non-finite sample, state drift, an allocation while processing or renders that differ.
# Usage: soak.sh [minutes of audio] [seed]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cmake -S "$root" -B "$root/build/linux" -G Ninja >/dev/null
cmake --build "$root/build/linux" --target brindle_soak -j"${BRINDLE_JOBS:-2}"
"$root/build/linux/brindle_soak" "$@"
