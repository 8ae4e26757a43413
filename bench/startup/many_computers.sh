#!/usr/bin/env bash
# What the user waits for with a long computer list: the time from starting
# talkpost.exe under Wine to its visible main window, and from the close
# (Alt+F4) to the window gone and the settings saved, with a settings file of
# 20,000 computers and with one of 3. Prints the figures of several runs.
# Arguments: the Windows build folder, the number of runs (3).
#
# A window that is hidden or destroyed is first waited for by Wine until a
# window manager has taken it in; on an X display without one that wait
# times out after 2 s at every close ("wait_for_withdrawn_state ... wait
# timed out" with WINEDEBUG=fixme+event), which no program can avoid. The
# benchmark therefore runs under a window manager as a desktop has one (the
# display gets openbox when it has none); TALKPOST_WM=none
# measures on the bare display.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/windows}" && pwd)
runs=${2:-3}
source "$root/tools/scripts/wine-env.sh"
talkpost_ensure_display
trap talkpost_stop_display EXIT
talkpost_ensure_prefix
if talkpost_wm_window >/dev/null; then echo "window manager: yes"; else echo "window manager: none (bare display)"; fi
exe="$build/talkpost.exe"
title='^Orvanta-Messanger$'

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# A settings file with the given number of computers (as an earlier version
# wrote it: the program reads it the same and saves it as UTF-16).
write_settings() {
  local file=$1 count=$2
  {
    printf '[Storage.IPComboBox_Items]\r\nCount=%d\r\n' "$count"
    for ((i = 0; i < count; i++)); do printf 'Item%d=computer%05d\r\n' "$i" "$i"; done
  } >"$file"
}

measure() {
  local count=$1 work
  work=$(mktemp -d)
  write_settings "$work/Talkpost.ini" "$count"
  export TALKPOST_SETTINGS_DIR=$(winepath -w "$work" 2>/dev/null)
  for ((run = 1; run <= runs; run++)); do
    local start visible closing gone ended window app
    start=$(now_ms)
    (cd "$work" && exec wine "$exe" </dev/null >/dev/null 2>&1) &
    app=$!
    until window=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | head -1) && [ -n "$window" ]; do
      sleep 0.01
    done
    visible=$(now_ms)
    sleep 0.5  # let the first show finish before closing
    # The window as it is now: a window manager may have had it made anew.
    window=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | head -1) || true
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    closing=$(now_ms)
    # A window made anew since it was found takes the key at the second try.
    for ((try = 0; try < 100; try++)); do
      xdotool key --window "$window" alt+F4 2>/dev/null && break
      sleep 0.01
      window=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | head -1) || true
    done
    while xdotool search --onlyvisible --name "$title" >/dev/null 2>&1; do sleep 0.01; done
    gone=$(now_ms)
    wait "$app" 2>/dev/null || true
    ended=$(now_ms)
    printf '%6d computers, run %d: start to visible window %5d ms, close to window gone %5d ms (process ended after %5d ms)\n' \
      "$count" "$run" $((visible - start)) $((gone - closing)) $((ended - closing))
  done
  printf '%6d computers: %d items in the saved file\n' "$count" \
    "$(iconv -f UTF-16 -t UTF-8 "$work/Talkpost.ini" | grep -c '^Item' || true)"
  rm -rf "$work"
}

measure 20000
measure 3
