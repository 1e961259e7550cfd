#!/usr/bin/env bash
# Builds the speed benchmark, runs it (modules, peers and baseline in one run, each
# setting repeated) and prints the tables of the README's "Speed" section.
# Usage: benchmarks/run_speed.sh [repetitions] [extra benchmark options...]
# With BRINDLE_SPEED_BEFORE=DIR (another build's folder holding brindle2.so and
# brindle3.vst3) that build's modules are timed in the same run, as rows named *_before.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
repetitions="${1:-5}"
shift || true
cmake -S "$root" -B "$root/build/linux" -G Ninja >/dev/null
cmake --build "$root/build/linux" --target brindle_speed
out="$root/build/linux/speed.json"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
"$root/build/linux/brindle_speed" --benchmark_repetitions="$repetitions" --benchmark_min_time=0.02 \
  --benchmark_report_aggregates_only=true --benchmark_out="$out" --benchmark_out_format=json "$@" >/dev/null
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
python3 "$root/benchmarks/speed_table.py" "$out"
