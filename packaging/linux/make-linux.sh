#!/usr/bin/env bash
# Packs the Linux lane's build into OUT_DIR: Brindle-<version>-linux-x86_64.tar.gz
# (modules, brindle-render, install.sh) and brindle_<version>_amd64.deb.
# Usage: make-linux.sh OUT_DIR
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../common.sh"
out="${1:?usage: make-linux.sh OUT_DIR}"
load_release linux
work="$root/build/release/linux"
rm -rf "$work"
mkdir -p "$work" "$out"
# Archives get the release date as every file's time, so a rebuild packs the same bytes.
stamp="$date 00:00:00 UTC"

man_page() {  # the man page, gzipped, to $1
  sed -e "s/@VERSION@/$version/g" -e "s/@DATE@/$date/g" "$packaging/linux/brindle-render.1.in" \
    | gzip -9n >"$1"
}
copyright() {
  sed -e "s/@VERSION@/$version/g" -e "s/@YEAR@/${date%%-*}/g" "$packaging/linux/copyright.in"
}

# --- The archive: each format's folder, bin/, install.sh and a short text.
name="Brindle-$version-linux-x86_64"
tree="$work/$name"
mkdir -p "$tree/bin"
formats_table=""
while IFS='|' read -r id label key folder user system deb windows built; do
  copy_stripped "$built" "$tree/$folder/$(basename "$built")" strip
  formats_table+="$folder|$user|$system"$'\n'
done < <(present_formats)
copy_stripped "$BRINDLE_RENDER" "$tree/bin/brindle-render" strip
man_page "$tree/brindle-render.1.gz"
copyright >"$tree/COPYRIGHT"
files="$(cd "$tree" && find . -path ./bin -prune -o -type f -print | sed 's|^\./||' | grep -v -e '^brindle-render.1.gz$' -e '^COPYRIGHT$' | sort)"
files+=$'\n'"bin/brindle-render"
python3 - "$packaging/linux/install.sh.in" "$tree/install.sh" "$version" "${formats_table%$'\n'}" "$files" <<'PY'
import sys
source, target, version, formats, files = sys.argv[1:]
text = open(source).read().replace("@VERSION@", version).replace("@FORMATS@", formats).replace("@FILES@", files)
open(target, "w").write(text)
PY
chmod 0755 "$tree/install.sh"
cat >"$tree/README.txt" <<TEXT
Brindle $version for Linux (x86_64)

./install.sh              installs for you: ~/.vst3, ~/.vst, ~/.clap, ~/.lv2 and ~/.local/bin
sudo ./install.sh --system  installs for every user under /usr/local
./install.sh --uninstall  removes it again (add --system for a system installation)

Or copy by hand: the folders VST3/, VST2/, CLAP/ and LV2/ hold the modules; hosts
search ~/.vst3, /usr/lib/vst3 and /usr/local/lib/vst3 for VST 3, ~/.vst,
/usr/lib/vst and /usr/local/lib/vst for VST 2, ~/.clap, /usr/lib/clap and
/usr/local/lib/clap for CLAP, and ~/.lv2, /usr/lib/lv2 and /usr/local/lib/lv2 for
LV2. bin/brindle-render renders sound
files through the plug-in (man ./brindle-render.1.gz). Rescan plug-ins in your host
afterwards.
TEXT
tar --sort=name --owner=0 --group=0 --numeric-owner --mtime="$stamp" -C "$work" -cf - "$name" \
  | gzip -9n >"$out/$name.tar.gz"

# --- The Debian package.
deb_root="$work/deb"
while IFS='|' read -r id label key folder user system deb windows built; do
  copy_stripped "$built" "$deb_root$deb/$(basename "$built")" strip
done < <(present_formats)
copy_stripped "$BRINDLE_RENDER" "$deb_root/usr/bin/brindle-render" strip
mkdir -p "$deb_root/usr/share/man/man1" "$deb_root/usr/share/doc/brindle" "$deb_root/DEBIAN"
man_page "$deb_root/usr/share/man/man1/brindle-render.1.gz"
copyright >"$deb_root/usr/share/doc/brindle/copyright"
{
  echo "brindle ($version) unstable; urgency=medium"
  echo
  release_notes "$version" | while IFS= read -r note; do
    echo "$note" | fold -s -w 74 | sed -e '1s/^/  * /' -e '2,$s/^/    /' -e 's/ *$//'
  done
  echo
  echo " -- Orvane <packages@orvane.invalid>  $(LC_ALL=C date -u -d "$date 12:00" '+%a, %d %b %Y %H:%M:%S +0000')"
} | gzip -9n >"$deb_root/usr/share/doc/brindle/changelog.gz"
find "$deb_root" -type d -exec chmod 0755 {} +
find "$deb_root" -type f -exec chmod 0644 {} +
chmod 0755 "$deb_root/usr/bin/brindle-render"

# The libraries the modules and the tool link, as Debian package dependencies.
shlib_work="$work/shlibdeps"
mkdir -p "$shlib_work/debian"
printf 'Source: brindle\n\nPackage: brindle\nArchitecture: amd64\n' >"$shlib_work/debian/control"
mapfile -t binaries < <(find "$deb_root/usr" -type f \( -name '*.so' -o -path '*/usr/bin/*' \))
depends="$(cd "$shlib_work" && dpkg-shlibdeps -O "${binaries[@]}" 2>"$work/shlibdeps.log" | sed -n 's/^shlibs:Depends=//p')"
[ -n "$depends" ] || { cat "$work/shlibdeps.log" >&2; die "dpkg-shlibdeps found no dependencies"; }
size_kb="$(du -sk --exclude=DEBIAN "$deb_root" | cut -f1)"
cat >"$deb_root/DEBIAN/control" <<CONTROL
Package: brindle
Version: $version
Architecture: amd64
Maintainer: Orvane <packages@orvane.invalid>
Installed-Size: $size_kb
Depends: $depends
Section: sound
Priority: optional
Description: stereo utility audio plug-in (VST 3, VST 2.4, CLAP and LV2)
 Brindle runs every block through a fixed chain of stereo tools: channel
 selector (stereo, mid or side), polarity inversion, left/right swap, a
 band-passed feedback delay for widening, stereo width, constant-power
 panning, mid/side gain, output gain, a mono check and a bypass.
 .
 This package installs the VST 3 module in /usr/lib/vst3, the VST 2.4 module
 in /usr/lib/vst, the CLAP module in /usr/lib/clap, the LV2 bundle in
 /usr/lib/lv2, and brindle-render, which runs the plug-in over sound files.
CONTROL
(cd "$deb_root" && find usr -type f -print0 | sort -z | xargs -0 md5sum >DEBIAN/md5sums)
chmod 0644 "$deb_root/DEBIAN/control" "$deb_root/DEBIAN/md5sums"
find "$deb_root" -exec touch -h -d "$stamp" {} +
SOURCE_DATE_EPOCH="$(date -u -d "$stamp" +%s)" dpkg-deb --root-owner-group -Zxz --build "$deb_root" \
  "$out/brindle_${version}_amd64.deb" >/dev/null
echo "make-linux: wrote $out/$name.tar.gz and $out/brindle_${version}_amd64.deb"
