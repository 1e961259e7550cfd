#!/usr/bin/env bash
# Installs what is missing, builds both lanes and runs every test.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" all
"$root/scripts/test.sh" all
