#!/usr/bin/env bash
# Installs what is missing, builds both lanes and the sanitizer lane, and runs every
# test: Linux, Windows under Wine, and the Linux tests again under AddressSanitizer and
# UBSan with a short fuzzing run on each fuzz target.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" all
"$root/scripts/build.sh" sanitize
"$root/scripts/test.sh" all,sanitize
