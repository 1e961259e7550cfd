#!/usr/bin/env bash
# Builds the memory benchmark and prints the resident memory per instance of brindle2,
# brindle3 and the built-in plug-in, with and without an open editor. The modules'
# editors need an X display: without DISPLAY a virtual one (Xvfb) is started for the run.
# Usage: benchmarks/run_memory.sh [instances] [rate...]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cmake -S "$root" -B "$root/build/linux" -G Ninja >/dev/null
cmake --build "$root/build/linux" --target brindle_memory
if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null; then
  number_file="$(mktemp)"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$number_file" >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill "$xvfb_pid" 2>/dev/null || true; rm -f "$number_file"' EXIT
  for _ in $(seq 100); do
    [ -s "$number_file" ] && break
    sleep 0.1
  done
  [ -s "$number_file" ] && export DISPLAY=":$(head -n1 "$number_file")"
fi
"$root/build/linux/brindle_memory" "$@"
