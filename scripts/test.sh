#!/usr/bin/env bash
# Sets up, builds both presets (warnings as errors) and runs every test:
# the native tests of the portable logic (with sanitizers), then the Windows
# build's tests under Wine with Xvfb. Leaves screenshots in build/windows/screenshots.
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

# The tests under Wine look up names that must not resolve ("*", "Remote01"):
# they run in a network namespace of their own with only loopback, so no
# lookup or echo ever leaves this machine. Wine's server and services start
# inside it too.
wineserver -k 2>/dev/null || true
if unshare -n true 2>/dev/null; then
  unshare -n bash -c 'ip link set lo up && source tools/scripts/wine-env.sh && talkpost_ensure_prefix &&
    ctest --preset windows; status=$?; wineserver -k 2>/dev/null; exit $status'
else
  echo "no network namespace available: running the tests under Wine without one" >&2
  talkpost_ensure_prefix
  ctest --preset windows
fi
# The end-to-end test leaves its screenshots as bitmaps; a PNG beside each is easier to look at.
for shot in build/windows/screenshots/*.bmp; do
  [ -f "$shot" ] || continue
  convert "$shot" "${shot%.bmp}.png" 2>/dev/null || true
  echo "screenshot: $shot"
done
