#!/usr/bin/env bash
# Sets up, builds both presets (warnings as errors) and runs every test:
# the native tests of the portable logic (with sanitizers), then the Windows
# build's tests under Wine with Xvfb. Leaves screenshots in build/screenshots.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup.sh

cmake --preset native -DTALKPOST_WERROR=ON
cmake --build --preset native -j "$(nproc)"
ctest --preset native

cmake --preset windows -DTALKPOST_WERROR=ON
cmake --build --preset windows -j "$(nproc)"
source tools/scripts/wine-env.sh
talkpost_ensure_display
talkpost_ensure_prefix
ctest --preset windows
ls build/screenshots 2>/dev/null | sed 's|^|screenshot: build/screenshots/|' || true
