#!/usr/bin/env bash
# Runs every test of both lanes (Windows tests under Wine, headless) and exits
# non-zero when any fails. Usage: test.sh [LANES] [extra ctest options...], LANES one of
# linux, windows, sanitize, release or all (linux and windows), or several joined by commas.
# The sanitizer lane runs build/asan's tests under AddressSanitizer and UBSan, then a
# few seconds of libFuzzer on each fuzz target over its seeds (one test per target).
# The release lane packs both lanes' builds with scripts/release.sh --no-build and runs
# packaging/tests/ on the packages (one test per script).
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
lane="${1:-all}"
shift || true
jobs="${BRINDLE_JOBS:-$(nproc)}"
passed=0
failed=0

run_ctest() {
  local dir="$1"; shift
  local log
  log="$(mktemp)"
  ctest --test-dir "$dir" --output-on-failure -j"$jobs" "$@" 2>&1 | tee "$log"
  local status=${PIPESTATUS[0]}
  local total fails
  total=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\2/p' "$log" | tail -n1)
  fails=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n1)
  rm -f "$log"
  if [ -z "$total" ]; then
    # ctest printed no summary: it found nothing to run or failed to start.
    echo "test.sh: no test summary from $dir" >&2
    failed=$((failed + 1))
    return
  fi
  passed=$((passed + total - fails))
  failed=$((failed + fails))
  if [ "$status" -ne 0 ] && [ "$fails" -eq 0 ]; then
    failed=$((failed + 1))
  fi
}

prepare_wine() {
  local prefix="$root/build/windows/wineprefix"
  export WINEPREFIX="$prefix" WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
  "$root/scripts/wine-prefix.sh" "$prefix"
}

# One virtual X display for the whole run, for the tests that open windows. Xvfb picks
# a free display number itself, so parallel runs on one machine do not collide. It
# keeps running between clients (-noreset): a reset refuses connections for a moment.
start_display() {
  if [ -n "${DISPLAY:-}" ] && [ -n "${BRINDLE_KEEP_DISPLAY:-}" ]; then
    return
  fi
  local number_file
  number_file="$(mktemp)"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$number_file" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$number_file" ] && break
    sleep 0.1
  done
  if [ ! -s "$number_file" ]; then
    echo "test.sh: Xvfb did not start" >&2
    rm -f "$number_file"
    exit 1
  fi
  export DISPLAY=":$(head -n1 "$number_file")"
  rm -f "$number_file"
  trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
}

fuzz_smoke() {
  local target
  local targets=(vst2_chunk_fuzzer vst2_host_fuzzer vst3_state_fuzzer vst3_host_fuzzer)
  targets+=(lv2_host_fuzzer)
  targets+=(clap_host_fuzzer)
  for target in "${targets[@]}"; do
    if "$root/scripts/fuzz.sh" --smoke "${BRINDLE_FUZZ_SMOKE_SECONDS:-5}" "$target"; then
      passed=$((passed + 1))
    else
      failed=$((failed + 1))
    fi
  done
}

release_tests() {
  if ! "$root/scripts/release.sh" --no-build; then
    echo "test.sh: release.sh failed"
    failed=$((failed + 1))
    return
  fi
  local script
  for script in "$root"/packaging/tests/*.sh; do
    [ "$(basename "$script")" = lib.sh ] && continue
    if "$script"; then
      passed=$((passed + 1))
    else
      failed=$((failed + 1))
    fi
  done
}

lanes=",${lane/all/linux,windows},"
for known in linux windows sanitize release; do lanes="${lanes/,$known,/,}"; done
if [ "$lanes" != "," ]; then
  echo "usage: test.sh [linux|windows|sanitize|release|all, or several joined by commas] [ctest options]" >&2
  exit 2
fi
lanes=",${lane/all/linux,windows},"
start_display
lane_start=$SECONDS
lane_took() {
  echo "test.sh: $1 lane took $((SECONDS - lane_start)) s"
  lane_start=$SECONDS
}
case "$lanes" in
  *,linux,*) run_ctest "$root/build/linux" "$@"; lane_took linux ;;
esac
case "$lanes" in
  *,windows,*)
    prepare_wine
    run_ctest "$root/build/windows" "$@"
    wineserver -k >/dev/null 2>&1 || true
    lane_took windows ;;
esac
case "$lanes" in
  *,sanitize,*)
    # Any report fails the test it comes from; leaks of other makers' plug-ins are theirs.
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:${ASAN_OPTIONS:-}"
    export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:${UBSAN_OPTIONS:-}"
    run_ctest "$root/build/asan" "$@"
    fuzz_smoke
    lane_took sanitize ;;
esac
case "$lanes" in
  *,release,*)
    release_tests
    lane_took release ;;
esac

echo "tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
