#!/usr/bin/env bash
# The Linux packages as a user meets them: the archive's install.sh into a temporary
# home and out again, and the Debian package's contents, metadata, dependencies and
# lintian's verdict. Needs dist/ from scripts/release.sh.
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
name="Brindle-$expected_version-linux-x86_64"
tarball="$dist/$name.tar.gz"
deb="$dist/brindle_${expected_version}_amd64.deb"
[ -f "$tarball" ] && [ -f "$deb" ] || { echo "$tarball or $deb is missing: run scripts/release.sh"; exit 1; }
work="$(mktemp -d "$root/build/release-test.XXXXXX")"
trap '[ -n "${BRINDLE_KEEP_TEST_FILES:-}" ] || rm -rf "$work"' EXIT
settings=(--param "Width=0.6" --param "Delay Amount=40" --param "Panning=-0.3" --block 300)
"$root/build/linux/brindle-render" "${settings[@]}" "$work/reference.f64" >/dev/null 2>&1
# LV2 audio is single precision.
"$root/build/linux/brindle-render" --precision single "${settings[@]}" "$work/reference-single.f64" >/dev/null 2>&1

echo "archive and install.sh"
tar -xzf "$tarball" -C "$work"
unpacked="$work/$name"
home="$work/home"
mkdir -p "$home/.vst3/other.vst3" "$home/.vst"
echo "someone else's" >"$home/.vst3/other.vst3/keep.txt"
echo "someone else's" >"$home/.vst/other.so"

# A damaged archive: install.sh names what is missing and installs nothing.
cp -R "$unpacked" "$work/damaged"
rm "$work/damaged/VST2/brindle2.so"
HOME="$home" "$work/damaged/install.sh" >"$work/out" 2>&1
check "install.sh refuses an archive with a file missing (exit 1)" test $? -eq 1
check "and says which file" grep -q "VST2/brindle2.so" "$work/out"
check "and installs nothing" test ! -e "$home/.vst3/brindle3.vst3" -a ! -e "$home/.local"

# A foreign file where Brindle would go is never overwritten.
echo "a user's own file" >"$home/.vst/brindle2.so"
HOME="$home" "$unpacked/install.sh" >"$work/out" 2>&1
check "install.sh refuses to overwrite a file it did not install (exit 1)" test $? -eq 1
check "and leaves that file as it was" grep -q "a user's own file" "$home/.vst/brindle2.so"
rm "$home/.vst/brindle2.so"

HOME="$home" "$unpacked/install.sh" >"$work/out" 2>&1
check "install.sh installs for the user (exit 0)" test $? -eq 0
check "VST 3 bundle in ~/.vst3, as in the archive" same_tree "$unpacked/VST3/brindle3.vst3" "$home/.vst3/brindle3.vst3"
check "VST 2 module in ~/.vst" cmp "$unpacked/VST2/brindle2.so" "$home/.vst/brindle2.so"
check "CLAP module in ~/.clap" cmp "$unpacked/CLAP/brindle.clap" "$home/.clap/brindle.clap"
check "LV2 bundle in ~/.lv2, as in the archive" same_tree "$unpacked/LV2/brindle.lv2" "$home/.lv2/brindle.lv2"
check "brindle-render in ~/.local/bin" cmp "$unpacked/bin/brindle-render" "$home/.local/bin/brindle-render"
check "brindle-render is executable" test -x "$home/.local/bin/brindle-render"
"$home/.local/bin/brindle-render" --version >"$work/out" 2>&1
check "installed brindle-render --version says $expected_version" grep -qx "brindle-render $expected_version" "$work/out"
for module in "$home/.vst3/brindle3.vst3" "$home/.vst/brindle2.so" "$home/.clap/brindle.clap"; do
  "$home/.local/bin/brindle-render" --module "$module" "${settings[@]}" "$work/installed.f64" >/dev/null 2>&1
  check "installed $(basename "$module") renders what the build tree's plug-in renders" cmp "$work/reference.f64" "$work/installed.f64"
done
"$home/.local/bin/brindle-render" --module "$home/.lv2/brindle.lv2" --precision single "${settings[@]}" "$work/installed.f64" >/dev/null 2>&1
check "installed brindle.lv2 renders what the build tree's plug-in renders in single precision" cmp "$work/reference-single.f64" "$work/installed.f64"
if [ -x /work/shared/tools/vst3sdk/linux/validator ] || [ -x "$root/../shared/tools/vst3sdk/linux/validator" ]; then
  sdk="$(ls -d /work/shared/tools/vst3sdk "$root/../shared/tools/vst3sdk" 2>/dev/null | head -n1)"
  "$sdk/linux/validator" "$home/.vst3/brindle3.vst3" >"$work/validator.log" 2>&1
  check "the SDK validator passes the installed bundle" grep -q "tests passed, 0 tests failed" "$work/validator.log"
  check "moduleinfotool -validate accepts the installed bundle" "$sdk/linux/moduleinfotool" -validate -path "$home/.vst3/brindle3.vst3"
else
  echo "  skipped: the VST 3 SDK tools are not here"
fi

# Running it again (an upgrade to the same version) replaces the files in place.
HOME="$home" "$unpacked/install.sh" >"$work/out" 2>&1
check "install.sh over its own installation succeeds" test $? -eq 0

HOME="$home" "$unpacked/install.sh" --uninstall >"$work/out" 2>&1
check "install.sh --uninstall succeeds" test $? -eq 0
leftovers="$(cd "$home" && find . -path ./.vst3/other.vst3 -prune -o \( -name 'brindle*' -o -path './.local*' \) -print)"
check "nothing of Brindle is left: ${leftovers:-none}" test -z "$leftovers"
check "the other plug-ins in ~/.vst3 and ~/.vst stay" test -f "$home/.vst3/other.vst3/keep.txt" -a -f "$home/.vst/other.so"
HOME="$home" "$unpacked/install.sh" --uninstall >"$work/out" 2>&1
check "a second --uninstall finds nothing and succeeds" test $? -eq 0
check "folders that were there before stay" test -d "$home/.vst3" -a -d "$home/.vst"
empty_home="$work/empty-home"
mkdir "$empty_home"
HOME="$empty_home" "$unpacked/install.sh" >/dev/null 2>&1
HOME="$empty_home" "$unpacked/install.sh" --uninstall >/dev/null 2>&1
check "in an empty home, the folders install.sh made go with it" test -z "$(ls -A "$empty_home")"

# --system, in a mount namespace of its own with an empty /usr/local, so the machine's
# own /usr/local is never touched.
if unshare -m true 2>/dev/null; then
  unshare -m sh -c '
    mount -t tmpfs tmpfs /usr/local || exit 3
    "$1/install.sh" --system >/dev/null || exit 4
    cmp "$1/VST2/brindle2.so" /usr/local/lib/vst/brindle2.so || exit 5
    diff -r "$1/VST3/brindle3.vst3" /usr/local/lib/vst3/brindle3.vst3 >/dev/null || exit 6
    /usr/local/bin/brindle-render --version >"$2/system-version" || exit 7
    "$1/install.sh" --system --uninstall >/dev/null || exit 8
    test -z "$(ls -A /usr/local)" || exit 9' sh "$unpacked" "$work"
  status=$?
  check "install.sh --system fills /usr/local and --uninstall empties it again (status $status)" test "$status" -eq 0
  check "the system brindle-render says $expected_version" grep -qx "brindle-render $expected_version" "$work/system-version"
else
  echo "  skipped: install.sh --system (no private mount namespace here)"
fi

echo "Debian package"
field() { dpkg-deb -f "$deb" "$1"; }
check "Package brindle" test "$(field Package)" = brindle
check "Version $expected_version" test "$(field Version)" = "$expected_version"
check "Architecture amd64" test "$(field Architecture)" = amd64
dpkg-deb -c "$deb" | awk '{print $1, $2, $NF}' >"$work/contents"
for entry in \
    "-rw-r--r-- root/root ./usr/lib/vst3/brindle3.vst3/Contents/x86_64-linux/brindle3.so" \
    "-rw-r--r-- root/root ./usr/lib/vst3/brindle3.vst3/Contents/Resources/moduleinfo.json" \
    "-rw-r--r-- root/root ./usr/lib/vst/brindle2.so" \
    "-rw-r--r-- root/root ./usr/lib/clap/brindle.clap" \
    "-rw-r--r-- root/root ./usr/lib/lv2/brindle.lv2/manifest.ttl" \
    "-rw-r--r-- root/root ./usr/lib/lv2/brindle.lv2/brindle.so" \
    "-rw-r--r-- root/root ./usr/lib/lv2/brindle.lv2/brindle_ui.so" \
    "-rwxr-xr-x root/root ./usr/bin/brindle-render" \
    "-rw-r--r-- root/root ./usr/share/man/man1/brindle-render.1.gz" \
    "-rw-r--r-- root/root ./usr/share/doc/brindle/copyright" \
    "-rw-r--r-- root/root ./usr/share/doc/brindle/changelog.gz"; do
  check "holds $entry" grep -qxF -- "$entry" "$work/contents"
done
check "one editor snapshot in the bundle" test "$(grep -c '_snapshot.png$' "$work/contents")" -eq 1
dpkg-deb -x "$deb" "$work/root"
check "the copyright notice names the maker" grep -q "Copyright (C) [0-9]* Orvane" "$work/root/usr/share/doc/brindle/copyright"
check "the changelog's first entry is $expected_version" \
  sh -c "zcat '$work/root/usr/share/doc/brindle/changelog.gz' | head -n1 | grep -q '^brindle ($expected_version) '"
check "the man page documents --version" sh -c "zcat '$work/root/usr/share/man/man1/brindle-render.1.gz' | grep -q 'version'"

# Every library the binaries link comes from a package the control file names.
depends="$(field Depends)"
missing_depends=""
for binary in "$work/root/usr/bin/brindle-render" "$work/root/usr/lib/vst/brindle2.so" \
    "$work/root/usr/lib/vst3/brindle3.vst3/Contents/x86_64-linux/brindle3.so" \
    "$work/root/usr/lib/clap/brindle.clap" "$work/root/usr/lib/lv2/brindle.lv2/brindle.so" \
    "$work/root/usr/lib/lv2/brindle.lv2/brindle_ui.so"; do
  while read -r soname; do
    library="$(ldd "$binary" | awk -v name="$soname" '$1 == name && $3 ~ /^\// {print $3; exit}
      $1 ~ /^\// && substr($1, length($1) - length(name)) == "/" name {print $1; exit}')"
    owner="$(dpkg-query -S "$library" 2>/dev/null | head -n1 | cut -d: -f1)"
    [ -n "$owner" ] || owner="$(dpkg-query -S "$(readlink -f "$library")" 2>/dev/null | head -n1 | cut -d: -f1)"
    case ", $depends," in *", $owner "*|*", $owner,"*) ;; *) missing_depends+=" $soname:${owner:-unknown}" ;; esac
  done < <(objdump -p "$binary" | awk '$1 == "NEEDED" {print $2}')
done
check "Depends names every library's package:${missing_depends:- all there}" test -z "$missing_depends"
"$work/root/usr/bin/brindle-render" --module "$work/root/usr/lib/vst3/brindle3.vst3" "${settings[@]}" "$work/deb.f64" >/dev/null 2>&1
check "the package's brindle-render and VST 3 module render as the build tree does" cmp "$work/reference.f64" "$work/deb.f64"
lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1
check "lintian reports no error" test $? -eq 0
sed 's/^/    lintian: /' "$work/lintian" | grep -v "root privileges"
finish
