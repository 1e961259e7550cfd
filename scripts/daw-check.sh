#!/usr/bin/env bash
# The check in a real DAW (Ardour 7 from Debian, headless): builds the Linux modules (VST 3,
# VST 2 and the LV2 bundle) and the renderer, lets the DAW's Lua session tool create a session with a track per module,
# set non-default settings, save, reopen and read them back, and render a file through
# each module; then compares those renders with brindle-render's from the first sample.
# Not part of CI (the DAW is large); installs it when missing. Usage: daw-check.sh [FOLDER]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
work="${1:-$root/build/daw-check}"
jobs="${BRINDLE_JOBS:-$(nproc)}"

if ! command -v ardour7-lua >/dev/null || ! command -v python3 >/dev/null; then
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends ardour python3
fi

cmake -S "$root" -B "$root/build/linux" -G Ninja >/dev/null
cmake --build "$root/build/linux" -j"$jobs" --target brindle2 brindle3 brindle.lv2 brindle-render

# A DAW configuration of its own, so the user's is neither used nor changed.
rm -rf "$work"
mkdir -p "$work/config/ardour7/scripts" "$work/cache" "$work/plugins/vst3" "$work/plugins/lxvst" "$work/out"
mkdir -p "$work/plugins/lv2"
cp "$root/scripts/daw-check/tones.lua" "$work/config/ardour7/scripts/"
cp -a "$root/build/linux/brindle3.vst3" "$work/plugins/vst3/"
cp -a "$root/build/linux/brindle2.so" "$work/plugins/lxvst/"
cp -rL "$root/build/linux/brindle.lv2" "$work/plugins/lv2/"
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"
export VST3_PATH="$work/plugins/vst3" LXVST_PATH="$work/plugins/lxvst"
# LV2 plug-ins are found on the search path when the session starts (no scanner).
export LV2_PATH="$work/plugins/lv2:/usr/lib/lv2"

# The Lua session reads the DAW's plug-in cache only; its own scanners fill it.
(
  export LD_LIBRARY_PATH=/usr/lib/ardour7
  /usr/lib/ardour7/ardour-vst3-scanner -f -q "$work/plugins/vst3/brindle3.vst3"
  /usr/lib/ardour7/ardour-vst-scanner -f -q "$work/plugins/lxvst/brindle2.so"
)

log="$work/session.log"
(cd "$work" && BRINDLE_DAW_SESSION="$work/session" BRINDLE_DAW_OUT="$work/out" \
  ardour7-lua "$root/scripts/daw-check/session.lua") 2>&1 | tee "$log" | grep '^daw-check:' || true
if ! grep -q '^daw-check: done$' "$log"; then
  echo "daw-check: the DAW session failed; see $log" >&2
  exit 1
fi

# The same settings in the renderer, in the DAW's single precision, on the DAW's source file.
"$root/build/linux/brindle-render" --precision single --rate 48000 \
  --param "Output Gain=-10" --param "Mid Gain=2.5" --param "Side Gain=-2.5" --param "Delay Amount=37.5" \
  --param "Width=0.5" --param "Panning=-0.25" --param "Invert Right=on" \
  "$work/out/in.f64" "$work/out/render.f64"

python3 - "$work/out" <<'PY'
import sys
from array import array

folder = sys.argv[1]

def load(name):
    samples = array("d")
    with open(f"{folder}/{name}.f64", "rb") as f:
        samples.frombytes(f.read())
    return samples

source, render = load("in"), load("render")
peak = max(abs(x) for x in render)
failed = peak < 0.01 or render == source
for module in ("brindle3", "brindle2", "brindle_lv2"):
    out = load(module)
    if len(out) != len(render):
        print(f"daw-check: {module}: {len(out) // 2} frames, the renderer wrote {len(render) // 2}")
        failed = True
        continue
    differences = [abs(a - b) for a, b in zip(out, render)]
    worst = max(differences)
    differing = sorted({i // 2 for i, d in enumerate(differences) if d > 0})
    first = f", first at frame {differing[0]}" if differing else ""
    # Single-precision rounding of samples below 1: a few parts in 10^7.
    ok = worst <= 1e-6 and differences[0] <= 1e-6 and differences[1] <= 1e-6
    print(f"daw-check: {module} against brindle-render: {len(out) // 2} frames, largest difference {worst:.3g}"
          f" (peak {peak:.3g}), {len(differing)} frames differ{first}: {'ok' if ok else 'FAIL'}")
    failed = failed or not ok
print("daw-check: " + ("FAILED" if failed else "passed"))
sys.exit(1 if failed else 0)
PY
