#!/usr/bin/env bash
# Fuzzes the host boundary of both modules with libFuzzer (clang, ASan and UBSan) in
# build/fuzz-targets. Usage:
#   fuzz.sh TARGET [seconds] [libFuzzer options...]   one campaign (default 600 s); the corpus
#       grows in fuzz/corpus-run/TARGET, findings land in build/fuzz-targets/findings/
#   fuzz.sh --smoke [seconds] [TARGET...]               each target (default: all) a few seconds
#       (default 5) over its committed seeds, nothing kept; non-zero on any finding
# TARGET: vst2_chunk_fuzzer, vst2_host_fuzzer, vst3_state_fuzzer, vst3_host_fuzzer or
# lv2_host_fuzzer or clap_host_fuzzer.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
dir="$root/build/fuzz-targets"
targets=(vst2_chunk_fuzzer vst2_host_fuzzer vst3_state_fuzzer vst3_host_fuzzer)
targets+=(lv2_host_fuzzer)
targets+=(clap_host_fuzzer)

build() {
  CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DBRINDLE_FUZZ=ON -DBRINDLE_BENCHMARKS=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$dir" -j"${BRINDLE_JOBS:-2}" --target "$@"
}

options=(-timeout=20 -rss_limit_mb=3072 -max_len=4096 -print_final_stats=1)

if [ "${1:-}" = "--smoke" ]; then
  seconds="${2:-5}"
  shift $(( $# >= 2 ? 2 : 1 ))
  [ $# -gt 0 ] && targets=("$@")
  build "${targets[@]}"
  for target in "${targets[@]}"; do
    scratch="$(mktemp -d)"
    echo "fuzz smoke: $target for ${seconds}s"
    status=0
    (cd "$scratch" && "$dir/fuzz/$target" "${options[@]}" -max_total_time="$seconds" \
      -artifact_prefix="$scratch/" "$scratch" "$root/fuzz/seeds/$target" >"$scratch/log" 2>&1) || status=$?
    grep -E '^(stat::number_of_executed_units|#[0-9]+ +DONE)' "$scratch/log" || true
    if [ "$status" -ne 0 ]; then
      # Keep what it found: the input replays with `fuzz/TARGET FILE` in $dir.
      mkdir -p "$dir/findings"
      for found in "$scratch"/crash-* "$scratch"/leak-* "$scratch"/timeout-* "$scratch"/oom-*; do
        [ -e "$found" ] && cp "$found" "$dir/findings/$target-$(basename "$found")"
      done
      grep -E '^(SUMMARY|fuzz check failed|    #[0-9] )' "$scratch/log" | head -n 20 >&2
      tail -n 40 "$scratch/log" >&2
      rm -rf "$scratch"
      echo "fuzz smoke: $target found a fault" >&2
      exit 1
    fi
    rm -rf "$scratch"
  done
  exit 0
fi

target="${1:-}"
case " ${targets[*]} " in
  *" $target "*) ;;
  *) echo "usage: fuzz.sh TARGET [seconds] [libFuzzer options] | --smoke [seconds]" >&2
     echo "targets: ${targets[*]}" >&2
     exit 2 ;;
esac
seconds="${2:-600}"
shift $(( $# >= 2 ? 2 : 1 ))
build "$target"
corpus="$root/fuzz/corpus-run/$target"
mkdir -p "$corpus" "$dir/findings"
cd "$dir"
"$dir/fuzz/$target" "${options[@]}" -max_total_time="$seconds" -artifact_prefix="$dir/findings/$target-" \
  "$@" "$corpus" "$root/fuzz/seeds/$target"
