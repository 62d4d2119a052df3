#!/usr/bin/env bash
# Plays the bundled demo animation: in a window when a display is available, otherwise headless.
set -euo pipefail
build=${1:-build}
"$build/vantorel-headless" -? </dev/null || true
