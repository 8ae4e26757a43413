#!/usr/bin/env bash
# Sets up, builds both presets (warnings as errors) and runs every test: the
# Windows build's tests under Wine with Xvfb and a window manager, in two
# lanes side by side (tools/scripts/wine-lanes.sh; TALKPOST_WINE_LANES=1 for
# one), and beside them, at the lowest priority in the time the lanes leave
# idle, the native tests of the portable logic (with sanitizers) and each
# parser's fuzz target for a short fixed time (TALKPOST_FUZZ_SECONDS, 30 by
# default; two targets at a time on two cores). Prints the time of each
# phase. Leaves screenshots in build/windows/screenshots.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)
phase_start=$SECONDS
# Prints how long the phase that ends now took.
phase_done() {
  echo "time: $1 $((SECONDS - phase_start)) s"
  phase_start=$SECONDS
}

# The tests under Wine need a network namespace of their own (unshare -n);
# without one they do not run at all, so say so before building.
if ! unshare -n true 2>/dev/null; then
  echo "error: cannot make a network namespace (unshare -n) for the tests under Wine;" >&2
  echo "they need one so that no name lookup or echo leaves this machine. Run as root or allow" >&2
  echo "unprivileged user namespaces (e.g. unshare -rn), then run this script again." >&2
  exit 1
fi

# On a fresh machine the packages take minutes to install: only what the
# native build needs comes first; the cross compiler, and then Wine, the
# servers and the tools of the tests, install while the builds run. Then the
# Wine prefixes are made (wineboot takes a while; the other lanes get copies).
mkdir -p build
# Made by the first group that updates the package lists, so the others need not.
apt_stamp=$root/build/setup.apt-lists
rm -f "$apt_stamp"
setup_log=$root/build/setup.log
setup_job=
# A setup still at work when this ends early is waited for: an install cut off halfway helps nobody.
trap 'rm -f "$apt_stamp"; [ -z "$setup_job" ] || wait "$setup_job" 2>/dev/null || :' EXIT
export TALKPOST_APT_UPDATED=$apt_stamp
scripts/setup.sh native
cross_mark=$root/build/setup.cross-compiler
rm -f "$cross_mark"
{
  scripts/setup.sh windows && touch "$cross_mark" && scripts/setup.sh all && tools/scripts/wine-lanes.sh prefixes
} >"$setup_log" 2>&1 &
setup_job=$!
setup_failed() {
  cat "$setup_log" >&2
  echo "error: $1" >&2
  exit 1
}

# The native build comes first: it also makes tools/update/control_reader,
# which the publisher's tests of the windows preset run.
cmake --preset native -DTALKPOST_WERROR=ON
cmake --build --preset native -j "$jobs"
phase_done "native build"

# The cross compiler is in place when the mark is there (or the setup ended without it).
while [ ! -f "$cross_mark" ] && kill -0 "$setup_job" 2>/dev/null; do sleep 1; done
[ -f "$cross_mark" ] || setup_failed "the cross compiler could not be installed"
cmake --preset windows -DTALKPOST_WERROR=ON
cmake --build --preset windows -j "$jobs"
phase_done "windows build"
wait "$setup_job" || setup_failed "what the tests need could not be installed, or the Wine prefixes could not be made"
phase_done "waiting for the tests' packages and Wine prefixes"

status=0
# One fuzz target a core, each for its whole time; at the lowest priority an
# input may wait long for the processor without being a hang.
TALKPOST_BESIDE_LANES="ctest --preset native && TALKPOST_FUZZ_JOBS=$jobs TALKPOST_FUZZ_INPUT_SECONDS=120 \
  scripts/fuzz.sh ${TALKPOST_FUZZ_SECONDS:-30}" \
  tools/scripts/wine-lanes.sh || status=$?
phase_done "tests under Wine, with the native tests and the fuzzing beside them"
# The end-to-end test leaves its screenshots as bitmaps; a PNG beside each is easier to look at.
for shot in build/windows/screenshots/*.bmp; do
  [ -f "$shot" ] || continue
  convert "$shot" "${shot%.bmp}.png" || echo "warning: $shot could not be converted to PNG" >&2
  echo "screenshot: $shot"
done
exit "$status"
