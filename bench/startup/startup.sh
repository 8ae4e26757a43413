#!/usr/bin/env bash
# Prints the sizes of talkpost.exe and of the updater helper it carries
# (updsetup.exe, and compressed as it lies inside talkpost.exe) and the time
# from the program's start under Wine to a visible main window, over several
# runs. Argument: the Windows build folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/windows}" && pwd)
source "$root/tools/scripts/wine-env.sh"
talkpost_ensure_display
trap talkpost_stop_display EXIT
talkpost_ensure_prefix
exe="$build/talkpost.exe"
printf 'talkpost.exe: %d bytes\n' "$(stat -c %s "$exe")"
printf 'updsetup.exe: %d bytes (%d bytes compressed inside talkpost.exe)\n' "$(stat -c %s "$build/updsetup.exe")" \
  "$(stat -c %s "$build/updsetup.ex_")"
work=$(mktemp -d)
export TALKPOST_SETTINGS_DIR=$(winepath -w "$work" 2>/dev/null)
for run in 1 2 3 4 5; do
  start=$(date +%s%N)
  (cd "$work" && exec wine "$exe" </dev/null >/dev/null 2>&1) &
  app=$!
  until xdotool search --onlyvisible --name '^Orvanta-Messanger$' >/dev/null 2>&1; do sleep 0.01; done
  end=$(date +%s%N)
  printf 'run %d: start to visible main window %d ms\n' "$run" $(((end - start) / 1000000))
  kill "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
  while xdotool search --onlyvisible --name '^Orvanta-Messanger$' >/dev/null 2>&1; do sleep 0.05; done
done
rm -rf "$work"
