#!/usr/bin/env bash
# Runs the Windows installer as a user does (no /S) in a fresh Wine prefix on a virtual
# display, steps through its pages with the keyboard and writes a PNG of each page into
# OUT_DIR (welcome, components, folder, progress, finish). Not part of the tests: the
# README's picture of the components page comes from here.
# Usage: capture-pages.sh SETUP.exe OUT_DIR   (needs xvfb, xdotool, imagemagick)
set -euo pipefail
setup="$(realpath "${1:?usage: capture-pages.sh SETUP.exe OUT_DIR}")"
out="${2:?usage: capture-pages.sh SETUP.exe OUT_DIR}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
mkdir -p "$out"
work="$(mktemp -d "$root/build/capture.XXXXXX")"
number_file="$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$number_file" >/dev/null 2>&1 &
xvfb_pid=$!
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k >/dev/null 2>&1 || true; kill "$xvfb_pid" 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -s "$number_file" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$number_file")"
"$root/scripts/wine-prefix.sh" "$WINEPREFIX" >/dev/null

wine "$setup" >"$work/setup.log" 2>&1 &
window=""
for _ in $(seq 150); do
  window="$(xdotool search --onlyvisible --name 'Setup' 2>/dev/null | head -n1 || true)"
  [ -n "$window" ] && break
  sleep 0.2
done
[ -n "$window" ] || { echo "capture-pages: the installer's window did not appear" >&2; exit 1; }

capture() {  # capture NAME: the installer's window as it is now
  sleep 1.5
  eval "$(xdotool getwindowgeometry --shell "$window")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/installer-$1.png"
  echo "capture-pages: $out/installer-$1.png"
}
press() {  # the default button (Next, Install, Finish)
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  xdotool key --clearmodifiers Return
}
capture welcome; press
capture components; press
capture folder; press
for _ in $(seq 100); do
  [ -f "$WINEPREFIX/drive_c/Program Files/Orvane/Brindle/uninstall.exe" ] && break
  sleep 0.2
done
capture progress; press
capture finish; press
timeout 60 wineserver -w || true
