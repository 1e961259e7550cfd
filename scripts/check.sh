#!/usr/bin/env bash
# Installs what is missing, builds both lanes and the sanitizer lane, and runs every
# test: Linux, Windows under Wine, and the Linux tests again under AddressSanitizer and
# UBSan with a short fuzzing run on each fuzz target, then the release: both lanes
# packed into dist/ and the packages installed and removed as users do.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# Each step's wall time, so the CI log shows where the run's time goes.
timed() {
  local start=$SECONDS
  "$@"
  echo "check: ${*#"$root/"} took $((SECONDS - start)) s"
}
timed "$root/scripts/setup.sh"
timed "$root/scripts/build.sh" all
timed "$root/scripts/build.sh" sanitize
timed "$root/scripts/test.sh" all,sanitize,release
