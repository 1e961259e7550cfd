#!/usr/bin/env bash
# Draws the README's meter pictures into docs/: the editor after the built-in demo, a
# mono file, the same file out of phase, silence and a file that clips, each played
# through brindle-snapshot --input. The inputs are made here (build/meter-inputs/).
# Usage: meter-screenshots.sh (after scripts/build.sh linux)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bin="$root/build/linux"
work="$root/build/meter-inputs"
mkdir -p "$work"

"$bin/brindle-render" "$work/demo.wav" >/dev/null
/usr/bin/python3 - "$work" <<'EOF'
import math, struct, sys
out = sys.argv[1]
rate = 48000

def write(name, channels, frames):
    # 32-bit float WAV, so that the clipping file can go above full scale.
    data = b"".join(struct.pack("<%df" % channels, *f) for f in frames)
    header = b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVEfmt " + struct.pack(
        "<IHHIIHH", 16, 3, channels, rate, rate * 4 * channels, 4 * channels, 32) + b"data" + struct.pack("<I", len(data))
    with open(out + "/" + name, "wb") as f:
        f.write(header + data)

# Three seconds of plucked notes over a soft bass, the same on both channels.
notes = [220.0, 277.18, 329.63, 440.0, 329.63, 277.18]
def melody(n):
    t = n / rate
    k = int(t * 4)
    tn = t - k / 4
    s = 0.5 * math.exp(-6 * tn) * math.sin(2 * math.pi * notes[k % len(notes)] * tn)
    return s + 0.15 * math.sin(2 * math.pi * 55 * t)

mono = [melody(n) for n in range(3 * rate)]
write("mono.wav", 1, [(s,) for s in mono])
write("out-of-phase.wav", 2, [(s, -s) for s in mono])
write("silence.wav", 2, [(0.0, 0.0)] * rate)
write("clipping.wav", 2, [(2.2 * s, 1.6 * s) for s in mono])
EOF

snap() { "$bin/brindle-snapshot" "$@"; }
snap --input "$work/demo.wav" --at 4.2 "$root/docs/meters-demo.png"
snap --input "$work/mono.wav" --at 2.0 "$root/docs/meters-mono.png"
snap --input "$work/out-of-phase.wav" --at 2.0 "$root/docs/meters-out-of-phase.png"
snap --input "$work/silence.wav" "$root/docs/meters-silence.png"
snap --input "$work/clipping.wav" --at 2.0 --param "Output Gain=-6" "$root/docs/meters-clipping.png"
echo "wrote docs/meters-*.png"
