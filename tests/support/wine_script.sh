# Sourced first by the test scripts that run the built programs under Wine
# themselves:
#   source "$(dirname "$0")/<up to tests>/support/wine_script.sh" <Windows build folder>
# Sets build (that folder) and root (the checkout), strict mode, Wine's
# environment on a display with a window manager, and a fresh work folder
# (work) that is removed at the end, after the script's own on_test_exit (a
# function it may define: servers to stop, keys to take back).
set -euo pipefail
build=$(cd "${1:?the Windows build folder}" && pwd)
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/tools/scripts/wine-env.sh"
source "$root/tools/scripts/waits.sh"
work=$(mktemp -d)
wine_script_cleanup() {
  if declare -F on_test_exit >/dev/null; then on_test_exit || :; fi
  # A program a failed test left running would answer the next test's search
  # for its window.
  [ -z "${talkpost_pid:-}" ] || kill "$talkpost_pid" 2>/dev/null || :
  rm -rf "$work"
  talkpost_stop_display
}
trap wine_script_cleanup EXIT
talkpost_ensure_display
talkpost_isolate_test
