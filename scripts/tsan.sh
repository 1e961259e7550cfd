#!/usr/bin/env bash
# Builds the editor tests with ThreadSanitizer in build/tsan and runs the tests in
# which the audio thread processes and automates while the editor works: the
# window-less editor drawn and clicked on another thread, and (under a virtual X
# display) both modules' X11 editors driven by XTest input on the UI thread. Any
# data race fails them. Usage: tsan.sh [gtest filter for the window-less test]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
filter="${1:-EditorThreads.*}"
dir="$root/build/tsan"
cmake -S "$root" -B "$dir" -G Ninja -DBRINDLE_TSAN=ON -DBRINDLE_BENCHMARKS=OFF >/dev/null
cmake --build "$dir" --target graphics_tests linux_gui_tests -j"${BRINDLE_JOBS:-2}"
export TSAN_OPTIONS="halt_on_error=1 exitcode=66 ${TSAN_OPTIONS:-}"
"$dir/tests/graphics/graphics_tests" --gtest_filter="$filter"
# A display of its own, as scripts/test.sh starts one.
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" \
  "$dir/tests/graphics/linux_gui_tests" --gtest_filter='*AudioThreadAutomatesWhileTheEditorIsDriven*'
