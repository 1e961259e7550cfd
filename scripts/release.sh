#!/usr/bin/env bash
# Builds both lanes (incrementally) and writes the release into dist/:
#   Brindle-<version>-windows-x64-setup.exe  the Windows installer
#   Brindle-<version>-windows-x64.zip        the same files to copy by hand
#   Brindle-<version>-linux-x86_64.tar.gz    Linux modules, brindle-render, install.sh
#   brindle_<version>_amd64.deb              the Debian package
#   SHA256SUMS
# Usage: release.sh [--no-build]  (--no-build packs what build/linux and build/windows hold)
# The version is the project's (CMakeLists.txt); packaging/changelog needs an entry for it.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build=1
case "${1:-}" in
  --no-build) build=0 ;;
  "") ;;
  *) echo "usage: release.sh [--no-build]" >&2; exit 2 ;;
esac
if [ "$build" -eq 1 ]; then
  "$root/scripts/build.sh" linux
  "$root/scripts/build.sh" windows
fi
linux_version="$(sed -n 's/^BRINDLE_VERSION=//p' "$root/build/linux/release-files.env")"
windows_version="$(sed -n 's/^BRINDLE_VERSION=//p' "$root/build/windows/release-files.env")"
if [ "$linux_version" != "$windows_version" ]; then
  echo "release.sh: the Linux build is $linux_version and the Windows build $windows_version; rebuild both" >&2
  exit 1
fi
out="$root/dist"
rm -rf "$out"
mkdir -p "$out"
"$root/packaging/linux/make-linux.sh" "$out"
"$root/packaging/windows/make-windows.sh" "$out"
# Errors fail the release; the log keeps what lintian said.
lintian --fail-on error --no-tag-display-limit "$out/brindle_${linux_version}_amd64.deb" >"$root/build/release/lintian.log" 2>&1 \
  || { cat "$root/build/release/lintian.log" >&2; echo "release.sh: lintian found errors" >&2; exit 1; }
(cd "$out" && sha256sum -- *.exe *.zip *.tar.gz *.deb >SHA256SUMS)
echo "release.sh: Brindle $linux_version in $out:"
(cd "$out" && ls -l --time-style=+ -- * | awk '{print "  " $5 "  " $NF}')
