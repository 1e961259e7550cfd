#!/usr/bin/env bash
# One version everywhere, and the bundles' host metadata. The version is read from
# CMakeLists.txt's project() line here and compared with what every tool, bundle and
# package says; the bundles are checked with the SDK's tools when they are present.
# Needs both lanes built and dist/ from scripts/release.sh.
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
start_work "$root/build/windows/wineprefix"
linux="$root/build/linux"
windows="$root/build/windows"
v="$expected_version"
echo "version $v"

for tool in brindle-render brindle-snapshot; do
  check "$tool --version" test "$("$linux/$tool" --version)" = "$tool $v"
  run_windows "$windows/$tool.exe" --version
  check "$tool.exe --version" test "$(cat "$work/out")" = "$tool $v"
done
"$linux/brindle-vst3info" "$linux/brindle3.vst3" >"$work/out" 2>&1
check "the Linux VST 3 class says $v" grep -q "version \"$v\"" "$work/out"
run_windows "$windows/brindle-vst3info.exe" "$windows/brindle3.vst3"
check "the Windows VST 3 class says $v" grep -q "version \"$v\"" "$work/out"
# (The VST 2 module's vendor version is asked of the module in tests/vst2.)

for lane in linux windows; do
  info="$root/build/$lane/brindle3.vst3/Contents/Resources/moduleinfo.json"
  python3 - "$info" "$v" >"$work/out" 2>&1 <<'PY'
import json, os, sys
path, version = sys.argv[1:]
info = json.load(open(path))
bundle = os.path.dirname(os.path.dirname(os.path.dirname(path)))
assert info["Name"] == "brindle3", info["Name"]
assert info["Version"] == version, info["Version"]
assert info["Factory Info"]["Vendor"] == "Orvane"
(brindle,) = info["Classes"]
assert brindle["Version"] == version, brindle["Version"]
assert brindle["Name"] == "Brindle" and brindle["Category"] == "Audio Module Class"
assert brindle["CID"] == "6B1D39A45E20471C5A716D6B5A716272", brindle["CID"]
(snapshot,) = brindle["Snapshots"]
assert snapshot["Scale Factor"] == 1.0
assert snapshot["Path"] == "Contents/Resources/Snapshots/" + brindle["CID"] + "_snapshot.png", snapshot["Path"]
assert os.path.isfile(os.path.join(bundle, snapshot["Path"]))
PY
  check "$lane moduleinfo.json: version, class and snapshot ($(tail -n1 "$work/out"))" test ! -s "$work/out"
done
check "the Windows moduleinfo.json is the Linux one (nothing in it differs by platform)" \
  cmp "$linux/brindle3.vst3/Contents/Resources/moduleinfo.json" "$windows/brindle3.vst3/Contents/Resources/moduleinfo.json"
snapshot_name=6B1D39A45E20471C5A716D6B5A716272_snapshot.png
"$linux/brindle-snapshot" "$work/linux.png"
check "the Linux snapshot is brindle-snapshot's editor at the default settings" \
  cmp "$work/linux.png" "$linux/brindle3.vst3/Contents/Resources/Snapshots/$snapshot_name"
run_windows "$windows/brindle-snapshot.exe" "$work/windows.png"
check "the Windows snapshot is brindle-snapshot.exe's editor at the default settings" \
  cmp "$work/windows.png" "$windows/brindle3.vst3/Contents/Resources/Snapshots/$snapshot_name"

sdk="$(ls -d /work/shared/tools/vst3sdk "$root/../shared/tools/vst3sdk" 2>/dev/null | head -n1)"
if [ -n "$sdk" ]; then
  "$sdk/linux/validator" "$linux/brindle3.vst3" >"$work/out" 2>&1
  check "SDK validator, Linux bundle: $(grep -a '^Result' "$work/out")" grep -q "tests passed, 0 tests failed" "$work/out"
  check "moduleinfotool -validate, Linux bundle" "$sdk/linux/moduleinfotool" -validate -path "$linux/brindle3.vst3"
  run_windows "$sdk/windows/validator.exe" "$windows/brindle3.vst3"
  check "SDK validator, Windows bundle: $(grep -a '^Result' "$work/out")" grep -aq "tests passed, 0 tests failed" "$work/out"
else
  echo "  skipped: the VST 3 SDK tools are not here"
fi

# The about page is drawn with the version by make_artwork.py: the committed image must be
# what the script draws for the project's version now.
if /usr/bin/python3 -c "import PIL" 2>/dev/null; then
  mkdir -p "$work/artwork/plugin/img" "$work/artwork/plugin/backgrounds"
  cp "$root/CMakeLists.txt" "$work/artwork/"
  /usr/bin/python3 "$root/tools/artwork/make_artwork.py" "$work/artwork" >/dev/null 2>&1
  check "the about page's image is drawn for version $v (rerun: cmake --build build/linux --target brindle-artwork)" \
    cmp "$work/artwork/plugin/backgrounds/Brindle_About.png" "$root/plugin/backgrounds/Brindle_About.png"
else
  echo "  skipped: the about page's image (python3-pil is missing)"
fi

# The Windows modules are linked statically: they import only DLLs that Windows itself has.
system_dlls=" advapi32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll shell32.dll user32.dll wininet.dll "
for module in "$windows/brindle2.dll" "$windows/brindle3.vst3/Contents/x86_64-win/brindle3.vst3"; do
  foreign=""
  for dll in $(x86_64-w64-mingw32-objdump -p "$module" | awk '/DLL Name:/ {print tolower($3)}'); do
    case "$system_dlls" in *" $dll "*) ;; *) foreign+=" $dll" ;; esac
  done
  check "$(basename "$module") imports only Windows' own DLLs${foreign:+ (not:$foreign)}" test -z "$foreign"
done

echo "packages"
for file in "Brindle-$v-windows-x64-setup.exe" "Brindle-$v-windows-x64.zip" "Brindle-$v-linux-x86_64.tar.gz" \
    "brindle_${v}_amd64.deb" SHA256SUMS; do
  check "dist/$file" test -f "$dist/$file"
done
check "SHA256SUMS matches every package" sh -c "cd '$dist' && sha256sum --quiet -c SHA256SUMS && test \$(wc -l <SHA256SUMS) -eq 4"
check "the .deb is version $v" test "$(dpkg-deb -f "$dist/brindle_${v}_amd64.deb" Version)" = "$v"
check "the archive's folder is Brindle-$v-linux-x86_64" \
  sh -c "tar -tzf '$dist/Brindle-$v-linux-x86_64.tar.gz' | grep -qx 'Brindle-$v-linux-x86_64/install.sh'"
check "the zip's folder is Brindle-$v-windows-x64" \
  sh -c "unzip -Z1 '$dist/Brindle-$v-windows-x64.zip' | grep -qx 'Brindle-$v-windows-x64/README.txt'"
# The installer's version resource (UTF-16) names the product, the maker and the version.
check "the installer's file properties say Brindle $v by Orvane" python3 -c "
import sys
data = open(sys.argv[1], 'rb').read()
for text in ('ProductVersion', sys.argv[2], 'Orvane', 'Brindle'):
    assert text.encode('utf-16-le') in data, text
" "$dist/Brindle-$v-windows-x64-setup.exe" "$v"
finish
