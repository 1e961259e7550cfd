#!/usr/bin/env bash
# The Windows installer as a user's machine meets it, in a fresh Wine prefix: a silent
# install, every file and registry entry, the installed modules loaded by our own tools
# (rendering what the build tree's modules render), a silent uninstall that leaves a
# foreign file, an upgrade from an older installer, and the remembered VST 2 folder.
# Needs dist/ from scripts/release.sh and the Windows lane's tools.
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
setup="$dist/Brindle-$expected_version-windows-x64-setup.exe"
payload="$root/build/release/windows/Brindle-$expected_version-windows-x64"
tools="$root/build/windows"
[ -f "$setup" ] && [ -d "$payload" ] || { echo "$setup or $payload is missing: run scripts/release.sh"; exit 1; }
start_work @work@/prefix
drive="$WINEPREFIX/drive_c"
vst3_dir="$drive/Program Files/Common Files/VST3"
vst2_dir="$drive/Program Files/VSTPlugins"
clap_dir="$drive/Program Files/Common Files/CLAP"
app_dir="$drive/Program Files/Orvane/Brindle"
product_key='Software\\Orvane\\Brindle'
uninstall_key='Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brindle'

# A value from the prefix's machine registry file: reg_value 'Key\\Path' Name.
reg_value() {
  KEY="[$1]" NAME="\"$2\"" awk '
    BEGIN { key = ENVIRON["KEY"]; name = ENVIRON["NAME"] }
    index($0, key) == 1 && substr($0, length(key) + 1, 1) == " " { inside = 1; next }
    /^\[/ { inside = 0 }
    inside && index($0, name "=") == 1 { value = substr($0, length(name) + 2); gsub(/^"|"$/, "", value); print value; exit }
  ' "$WINEPREFIX/system.reg"
}
# How many keys of the machine registry start with this path.
reg_keys() { grep -cF "[$1" "$WINEPREFIX/system.reg"; }

settings=(--param "Width=0.6" --param "Delay Amount=40" --param "Panning=-0.3" --block 300)
render() {  # render MODULE OUT: the demo through a module with the test's settings
  run_windows "$tools/brindle-render.exe" --module "$1" "${settings[@]}" "$2"
}

echo "silent install"
run_windows "$setup" /S
check "the installer exits 0" test $? -eq 0
check "VST 3 bundle in Common Files\\VST3, as in the payload" same_tree "$payload/VST3/brindle3.vst3" "$vst3_dir/brindle3.vst3"
check "VST 2 module in Program Files\\VSTPlugins" cmp "$payload/VST2/brindle2.dll" "$vst2_dir/brindle2.dll"
check "CLAP module in Common Files\\CLAP" cmp "$payload/CLAP/brindle.clap" "$clap_dir/brindle.clap"
check "nothing in the 32-bit Program Files" test ! -e "$drive/Program Files (x86)/Common Files/VST3/brindle3.vst3" -a ! -e "$drive/Program Files (x86)/Orvane"
check "uninstaller and icon in Program Files\\Orvane\\Brindle" test -f "$app_dir/uninstall.exe" -a -f "$app_dir/brindle.ico"
check "DisplayName" test "$(reg_value "$uninstall_key" DisplayName)" = "Brindle $expected_version"
check "DisplayVersion $expected_version" test "$(reg_value "$uninstall_key" DisplayVersion)" = "$expected_version"
check "Publisher Orvane" test "$(reg_value "$uninstall_key" Publisher)" = Orvane
check "DisplayIcon is the installed icon" test "$(reg_value "$uninstall_key" DisplayIcon)" = 'C:\\Program Files\\Orvane\\Brindle\\brindle.ico'
check "UninstallString runs the installed uninstaller" \
  test "$(reg_value "$uninstall_key" UninstallString)" = '\"C:\\Program Files\\Orvane\\Brindle\\uninstall.exe\"'
# The size in KB, within a tenth of what the payload holds.
payload_kb=$(du -sk --apparent-size "$payload/VST3" "$payload/VST2" "$payload/CLAP" | awk '{s += $1} END {print s}')
size_kb=$((16#$(reg_value "$uninstall_key" EstimatedSize | sed 's/^dword://')))
check "EstimatedSize $size_kb KB matches the payload's $payload_kb KB" \
  test $((size_kb * 10)) -ge $((payload_kb * 9)) -a $((size_kb * 10)) -le $((payload_kb * 11))
check "the VST 2 folder is remembered" test "$(reg_value "$product_key" Folder_vst2)" = 'C:\\Program Files\\VSTPlugins'
check "the keys are in the 64-bit view" test "$(reg_keys 'Software\\Wow6432Node\\Orvane')" -eq 0

echo "installed modules"
installed_vst3='C:\Program Files\Common Files\VST3\brindle3.vst3'
run_windows "$tools/brindle-vst3info.exe" "$installed_vst3"
check "brindle-vst3info.exe loads the installed bundle" grep -q "bypass parameter: ok" "$work/out"
check "and reads version $expected_version" grep -q "version \"$expected_version\"" "$work/out"
render "$tools/brindle3.vst3" "$work/built3.f64"
render "$installed_vst3" "$work/installed3.f64"
check "the installed VST 3 module renders what the built one does" cmp "$work/built3.f64" "$work/installed3.f64"
render "$tools/brindle2.dll" "$work/built2.f64"
render 'C:\Program Files\VSTPlugins\brindle2.dll' "$work/installed2.f64"
check "the installed VST 2 module renders what the built one does" cmp "$work/built2.f64" "$work/installed2.f64"
check "and both formats render alike" cmp "$work/built3.f64" "$work/built2.f64"
render 'C:\Program Files\Common Files\CLAP\brindle.clap' "$work/installed-clap.f64"
check "the installed CLAP module renders what the VST modules do" cmp "$work/built3.f64" "$work/installed-clap.f64"
sdk="$(ls -d /work/shared/tools/vst3sdk "$root/../shared/tools/vst3sdk" 2>/dev/null | head -n1)"
if [ -n "$sdk" ] && [ -f "$sdk/windows/validator.exe" ]; then
  run_windows "$sdk/windows/validator.exe" "$installed_vst3"
  check "the SDK validator passes the installed bundle" grep -aq "tests passed, 0 tests failed" "$work/out"
  check "and finds its snapshot" grep -aq "Found snapshots for 'Brindle'" "$work/out"
else
  echo "  skipped: the VST 3 SDK validator is not here"
fi

echo "silent uninstall"
echo "a user's file" >"$vst2_dir/other-plugin.dll"
mkdir -p "$vst3_dir/Other.vst3" && echo "a user's file" >"$vst3_dir/Other.vst3/keep.txt"
echo "a user's file" >"$clap_dir/other.clap"
run_windows "$drive/Program Files/Orvane/Brindle/uninstall.exe" /S
check "the uninstaller exits 0" test $? -eq 0
check "the VST 3 bundle is gone" test ! -e "$vst3_dir/brindle3.vst3"
check "the VST 2 module is gone" test ! -e "$vst2_dir/brindle2.dll"
check "the CLAP module is gone" test ! -e "$clap_dir/brindle.clap"
check "the program folder is gone" test ! -e "$drive/Program Files/Orvane"
check "the Uninstall key is gone" test "$(reg_keys "$uninstall_key")" -eq 0
check "the product key is gone" test "$(reg_keys 'Software\\Orvane')" -eq 0
check "foreign files in the same folders stay" test -f "$vst2_dir/other-plugin.dll" -a -f "$vst3_dir/Other.vst3/keep.txt" -a -f "$clap_dir/other.clap"

echo "upgrade from an older installer"
older="$work/older-payload"
mkdir -p "$older"
cp -R "$payload/VST3" "$payload/VST2" "$payload/CLAP" "$older/"
while IFS= read -r -d '' file; do echo "older build" >"$file"; done < <(find "$older" -type f -print0)
"$root/packaging/windows/make-windows.sh" --installer "$older" 0.0.1 "$work/older-setup.exe" >/dev/null 2>&1
run_windows "$work/older-setup.exe" /S
check "the older version installs" test "$(reg_value "$uninstall_key" DisplayVersion)" = 0.0.1 -a -f "$vst2_dir/brindle2.dll"
run_windows "$setup" /S
check "the new installer over it exits 0" test $? -eq 0
check "the VST 3 bundle is the new one" same_tree "$payload/VST3/brindle3.vst3" "$vst3_dir/brindle3.vst3"
check "the VST 2 module is the new one" cmp "$payload/VST2/brindle2.dll" "$vst2_dir/brindle2.dll"
check "the CLAP module is the new one" cmp "$payload/CLAP/brindle.clap" "$clap_dir/brindle.clap"
check "the registry says $expected_version" test "$(reg_value "$uninstall_key" DisplayVersion)" = "$expected_version"
check "one entry in the list of programs" test "$(reg_keys "$uninstall_key")" -eq 1

echo "VST 2 folder chosen with /D= and remembered"
run_windows "$setup" /S '/D=C:\Audio\VST2'
check "/D= puts the VST 2 module there" cmp "$payload/VST2/brindle2.dll" "$drive/Audio/VST2/brindle2.dll"
check "and takes it out of the old folder" test ! -e "$vst2_dir/brindle2.dll"
run_windows "$setup" /S
check "the next install keeps the chosen folder" test -f "$drive/Audio/VST2/brindle2.dll" -a ! -e "$vst2_dir/brindle2.dll"
run_windows "$drive/Program Files/Orvane/Brindle/uninstall.exe" /S
check "uninstalling removes it from the chosen folder" test ! -e "$drive/Audio/VST2/brindle2.dll"
check "and leaves the foreign files" test -f "$vst2_dir/other-plugin.dll" -a -f "$vst3_dir/Other.vst3/keep.txt"
finish
