# Shared by the release tests (sourced): checks that count, and the release's facts.
set -uo pipefail
tests_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$tests_dir/../.." && pwd)"
dist="${BRINDLE_DIST:-$root/dist}"
failures=0
checks=0

pass() { checks=$((checks + 1)); echo "  ok: $*"; }
fail() { checks=$((checks + 1)); failures=$((failures + 1)); echo "  FAILED: $*"; }
check() {  # check DESCRIPTION COMMAND...: passes when the command succeeds
  local what="$1"; shift
  if "$@" >/dev/null 2>&1; then pass "$what"; else fail "$what"; fi
}
finish() {
  echo "$(basename "$0"): $((checks - failures)) of $checks checks passed"
  [ "$failures" -eq 0 ]
}

# The version as CMakeLists.txt's project() line writes it, read here on its own.
expected_version="$(sed -n 's/^project(Brindle VERSION \([0-9]*\.[0-9]*\.[0-9]*\).*/\1/p' "$root/CMakeLists.txt")"
[ -n "$expected_version" ] || { echo "no project version in CMakeLists.txt"; exit 1; }

# A scratch folder under build/, removed on exit (kept with BRINDLE_KEEP_TEST_FILES=1),
# with Wine in PREFIX (created if new) and its server stopped on exit.
start_work() {
  work="$(mktemp -d "$root/build/release-test.XXXXXX")"
  export WINEPREFIX="${1/@work@/$work}" WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
  trap 'wineserver -k >/dev/null 2>&1; [ -n "${BRINDLE_KEEP_TEST_FILES:-}" ] || rm -rf "$work"' EXIT
  "$root/scripts/wine-prefix.sh" "$WINEPREFIX" >/dev/null
}

# Runs a Windows program to its end and waits for every process of the prefix (an
# uninstaller finishes in a copy of itself), with a time limit. Its output goes to
# $work/out (line ends as on Linux): a Wine program must not write into a pipe.
run_windows() {
  timeout 180 wine "$@" >"$work/wine.out" 2>&1
  local status=$?
  timeout 60 wineserver -w
  tr -d '\r' <"$work/wine.out" >"$work/out"
  return $status
}

# Two files or folders hold the same files with the same bytes.
same_tree() {
  diff -r "$1" "$2" >/dev/null
}
