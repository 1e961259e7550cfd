#!/usr/bin/env bash
# Builds with ThreadSanitizer in build/tsan and runs the thread tests: the audio thread
# writing into the editor while another thread draws and clicks (graphics_tests), and
# three host threads on both modules at once, audio, automation with state saves and
# loads, and the editor (host_stress_tests). Any data race fails it.
# Usage: tsan.sh [gtest filter] (default: both tests)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
filter="${1:-EditorThreads.*:HostThreads.*}"
dir="$root/build/tsan"
cmake -S "$root" -B "$dir" -G Ninja -DBRINDLE_TSAN=ON -DBRINDLE_BENCHMARKS=OFF >/dev/null
cmake --build "$dir" --target graphics_tests host_stress_tests brindle2 -j"${BRINDLE_JOBS:-2}"
export TSAN_OPTIONS="halt_on_error=1 exitcode=66 ${TSAN_OPTIONS:-}"
"$dir/tests/graphics/graphics_tests" --gtest_filter="$filter"
"$dir/tests/stress/host_stress_tests" --gtest_filter="$filter"
