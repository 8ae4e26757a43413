#!/usr/bin/env bash
# Sets up, builds both presets (warnings as errors) and runs every test:
# the native tests of the portable logic (with sanitizers), each parser's fuzz
# target for a short fixed time (TALKPOST_FUZZ_SECONDS, 30 by default), then
# the Windows build's tests under Wine with Xvfb and a window manager, timed.
# Leaves screenshots in build/windows/screenshots.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup.sh

# The native build comes first: it also makes tools/update/control_reader,
# which the publisher's tests of the windows preset run.
cmake --preset native -DTALKPOST_WERROR=ON
cmake --build --preset native -j "$(nproc)"
ctest --preset native
scripts/fuzz.sh "${TALKPOST_FUZZ_SECONDS:-30}"

cmake --preset windows -DTALKPOST_WERROR=ON
cmake --build --preset windows -j "$(nproc)"
source tools/scripts/wine-env.sh
talkpost_ensure_display
trap talkpost_stop_display EXIT

# The tests under Wine look up names that must not resolve ("*", "Remote01"):
# they run in a network namespace of their own with only loopback, so no
# lookup or echo ever leaves this machine. Wine's server and services start
# inside it too. Without such a namespace they do not run at all.
wineserver -k 2>/dev/null || true
if ! unshare -n true 2>/dev/null; then
  echo "error: cannot make a network namespace (unshare -n) for the tests under Wine;" >&2
  echo "they need one so that no name lookup or echo leaves this machine. Run as root or allow" >&2
  echo "unprivileged user namespaces (e.g. unshare -rn), then run this script again." >&2
  exit 1
fi
wine_start=$(date +%s)
status=0
unshare -n bash -c 'ip link set lo up && source tools/scripts/wine-env.sh && talkpost_ensure_prefix &&
  ctest --preset windows; status=$?; wineserver -k 2>/dev/null; exit $status' || status=$?
echo "tests under Wine: $(($(date +%s) - wine_start)) s (prefix included)"
# The end-to-end test leaves its screenshots as bitmaps; a PNG beside each is easier to look at.
for shot in build/windows/screenshots/*.bmp; do
  [ -f "$shot" ] || continue
  convert "$shot" "${shot%.bmp}.png" || echo "warning: $shot could not be converted to PNG" >&2
  echo "screenshot: $shot"
done
exit "$status"
