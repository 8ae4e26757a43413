#!/usr/bin/env bash
# Prints the time and the peak memory of the settings file's one load at start
# for a 16 MiB file (as written by the program and as an earlier version wrote
# it), what a file above the limit gives, and a save and load of 20,000
# computers. Build first: cmake --build --preset windows --target settings_bench
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
exe=$root/build/windows/bench/settings/settings_bench.exe
[ -f "$exe" ] || { echo "build $exe first (cmake --build --preset windows --target settings_bench)" >&2; exit 1; }
exec "$root/tools/scripts/wine-run.sh" "$exe" "$@"
