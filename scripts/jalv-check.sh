#!/usr/bin/env bash
# brindle.lv2's editor in a real LV2 host: Debian's jalv.gtk3 (which embeds X11 editors)
# on a virtual display of its own, with a JACK server on the dummy driver (no sound card).
# It captures the window, compares the editor with brindle-snapshot, drags the Width knob
# with XTest input, saves the host's state through its File menu and checks that the host
# kept the knob's value.
# Usage: jalv-check.sh BUNDLE SNAPSHOT_TOOL FOLDER. Exit 77 (skipped) without the tools.
set -euo pipefail
bundle="$1"
snapshot="$2"
work="$3"
for tool in jalv.gtk3 jackd jack_wait Xvfb xdotool import compare xwininfo; do
  if ! command -v "$tool" >/dev/null; then
    echo "jalv-check: skipped, $tool is not installed"
    exit 77
  fi
done

rm -rf "$work"
mkdir -p "$work/lv2"
ln -s "$bundle" "$work/lv2/brindle.lv2"
pids=()
cleanup() {
  local pid
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    pid="${pids[$i]}"
    kill "$pid" 2>/dev/null || continue
    # A host with a dialog open may not quit on a plain request.
    for _ in $(seq 20); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
}
trap cleanup EXIT

number_file="$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$number_file" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$number_file" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$number_file")"

# A server of our own name, so that other JACK users on the machine are left alone.
export JACK_DEFAULT_SERVER="brindle-check-$$"
jackd -r -d dummy -r 48000 -p 512 >"$work/jackd.log" 2>&1 &
pids+=($!)
jack_wait -w -t 10 >/dev/null 2>&1

LV2_PATH="$work/lv2:/usr/lib/lv2" jalv.gtk3 urn:orvane:brindle >"$work/jalv.log" 2>&1 &
pids+=($!)
# The editor: our window, named Brindle, inside the host's window of the same name.
editor=""
for _ in $(seq 100); do
  editor="$(xwininfo -root -tree | awk '/"Brindle": \(\)/ {print $1; exit}')"
  [ -n "$editor" ] && break
  sleep 0.1
done
if [ -z "$editor" ]; then
  echo "jalv-check: jalv.gtk3 showed no editor" >&2
  cat "$work/jalv.log" >&2
  exit 1
fi
sleep 1
read -r x y w h < <(xwininfo -id "$editor" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
  /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}')
echo "jalv-check: editor window $editor, ${w}x${h} at ($x, $y) in the host's window"

# Pixels of two pictures that differ left of the meter panel: jalv offers instance
# access, so the panel shows what the running DSP instance measures (the scope's gain
# rises through the host's silence) where the snapshot's meters are at rest.
controls_differing() {
  convert "$1" -crop 470x322+0+0 +repage "$1.controls.png"
  convert "$2" -crop 470x322+0+0 +repage "$2.controls.png"
  compare -metric AE "$1.controls.png" "$2.controls.png" null: 2>&1 || true
}

# What the host shows, against the window-less drawing of the same settings.
"$snapshot" "$work/snapshot-defaults.png"
import -window root -crop "${w}x${h}+${x}+${y}" +repage "$work/editor-defaults.png"
differing="$(controls_differing "$work/editor-defaults.png" "$work/snapshot-defaults.png")"
echo "jalv-check: pixels of the controls differing from brindle-snapshot: $differing"

# Drag the Width knob up by one control height (61 pixels): 0.00 to 0.50.
knob_x=$((x + 384))
knob_y=$((y + 166))
xdotool mousemove "$knob_x" "$knob_y" sleep 0.2 mousedown 1 sleep 0.2
for step in 1 2 3 4 5 6; do
  xdotool mousemove "$knob_x" $((knob_y - 61 * step / 6)) sleep 0.1
done
xdotool mouseup 1
sleep 0.5
import -window root -crop "$((x + w))x$((y + h))+0+0" +repage "$work/jalv.png"
"$snapshot" --param "Width=0.5" "$work/snapshot-width.png"
import -window root -crop "${w}x${h}+${x}+${y}" +repage "$work/editor-width.png"
moved="$(controls_differing "$work/editor-width.png" "$work/snapshot-width.png")"
echo "jalv-check: after the drag, pixels of the controls differing from brindle-snapshot --param Width=0.5: $moved"

# The host's File > Save, by mouse: the menu bar sits above the editor.
xdotool mousemove $((x + 18)) $((y / 2)) click 1
sleep 0.5
xdotool mousemove $((x + 46)) $((y + 12)) click 1
dialog=""
for _ in $(seq 50); do
  dialog="$(xdotool search --name '^Save State$' 2>/dev/null | head -n1 || true)"
  [ -n "$dialog" ] && break
  sleep 0.1
done
if [ -z "$dialog" ]; then
  echo "jalv-check: the host's save dialog did not open" >&2
  exit 1
fi
sleep 0.5
# No window manager gives the dialog the keyboard: the test does.
xdotool windowfocus "$dialog"
sleep 0.2
# The name field runs along the dialog's top edge.
read -r dx dy < <(xwininfo -id "$dialog" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
  END {print x, y}')
xdotool mousemove $((dx < 0 ? 500 : dx + 500)) $((dy < 0 ? 5 : dy + 30)) click 1
sleep 0.2
xdotool type --delay 20 "$work/state"
sleep 0.5
import -window root "$work/save-dialog.png"
xdotool key Return
for _ in $(seq 50); do [ -s "$work/state/state.ttl" ] && break; sleep 0.1; done
if [ ! -s "$work/state/state.ttl" ]; then
  echo "jalv-check: the host saved no state" >&2
  exit 1
fi
width="$(grep -A1 'lv2:symbol "width"' "$work/state/state.ttl" | awk '/pset:value/ {print $2}')"
echo "jalv-check: the host saved width = $width"
status=0
[ "$width" = "0.5" ] || status=1
[ "$differing" = "0" ] || status=1
[ "$moved" = "0" ] || status=1
exit "$status"
