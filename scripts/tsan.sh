#!/usr/bin/env bash
# Builds with ThreadSanitizer in build/tsan and runs the thread tests: the audio thread
# writing into the window-less editor while another thread draws and clicks
# (graphics_tests), three host threads on both modules at once, audio, automation with
# state saves and loads, and the editor (host_stress_tests, which covers the CLAP module
# too), the CLAP wrapper's editor edits against its audio thread (clap_wrapper_tests),
# and, under a virtual X display, the audio thread automating while the modules' X11
# editors are driven by XTest input on the UI thread. Any data race fails it.
# Usage: tsan.sh [gtest filter] (default: the window-less and stress tests)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
filter="${1:-EditorThreads.*:HostThreads.*:ClapWrapper.*}"
dir="$root/build/tsan"
cmake -S "$root" -B "$dir" -G Ninja -DBRINDLE_TSAN=ON -DBRINDLE_BENCHMARKS=OFF >/dev/null
cmake --build "$dir" --target graphics_tests host_stress_tests linux_gui_tests brindle2 -j"${BRINDLE_JOBS:-2}"
cmake --build "$dir" --target clap_wrapper_tests brindle_clap_module -j"${BRINDLE_JOBS:-2}"
export TSAN_OPTIONS="halt_on_error=1 exitcode=66 ${TSAN_OPTIONS:-}"
"$dir/tests/graphics/graphics_tests" --gtest_filter="$filter"
"$dir/tests/stress/host_stress_tests" --gtest_filter="$filter"
"$dir/tests/clap/clap_wrapper_tests" --gtest_filter="$filter"
# A display of its own, as scripts/test.sh starts one.
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" \
  "$dir/tests/graphics/linux_gui_tests" --gtest_filter='*AudioThreadAutomatesWhileTheEditorIsDriven*'
