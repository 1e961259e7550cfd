#!/usr/bin/env bash
# Creates and configures a Wine prefix for the project's Windows programs when it does
# not exist yet. Usage: wine-prefix.sh PREFIX
set -euo pipefail
prefix="${1:?usage: wine-prefix.sh PREFIX}"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$prefix/system.reg" ]; then
  echo "wine-prefix: creating Wine prefix in $prefix"
  wine wineboot --init >/dev/null 2>&1
  wineserver -w
  # Without a window manager, managed windows make Wine wait on every show and destroy.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wineserver -w
fi
