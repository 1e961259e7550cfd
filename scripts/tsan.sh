#!/usr/bin/env bash
# Builds the editor tests with ThreadSanitizer in build/tsan and runs the test in
# which the audio thread writes into the editor while another thread draws and
# clicks. Any data race fails it. Usage: tsan.sh [gtest filter]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
filter="${1:-EditorThreads.*}"
dir="$root/build/tsan"
cmake -S "$root" -B "$dir" -G Ninja -DBRINDLE_TSAN=ON -DBRINDLE_BENCHMARKS=OFF >/dev/null
cmake --build "$dir" --target graphics_tests -j"${BRINDLE_JOBS:-2}"
TSAN_OPTIONS="halt_on_error=1 exitcode=66 ${TSAN_OPTIONS:-}" \
  "$dir/tests/graphics/graphics_tests" --gtest_filter="$filter"
