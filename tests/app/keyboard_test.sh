#!/usr/bin/env bash
# Real key input on the running talkpost.exe under Wine (xdotool on its X
# window): Tab and Shift+Tab walk computer, user, message, log and time, and
# Escape in the log pane and in the message editor does nothing. What the keys did is read from
# the settings file the program saves when it is closed with Alt+F4.
# Argument: the Windows build folder.
set -euo pipefail
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/tools/scripts/wine-env.sh"
talkpost_ensure_display
trap talkpost_stop_display EXIT
title='^Orvanta-Messanger$'
work=$(mktemp -d)
trap 'rm -rf "$work"; talkpost_stop_display' EXIT
export TALKPOST_SETTINGS_DIR=$(winepath -w "$work" 2>/dev/null)

(cd "$work" && exec wine "$build/talkpost.exe" pc1 </dev/null >/dev/null 2>&1) &
app=$!
window=
for _ in $(seq 600); do
  window=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | head -1) && [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "FAIL: the main window did not appear" >&2; exit 1; }
xdotool windowfocus --sync "$window"
keys() { xdotool key --delay 150 --window "$window" "$@"; sleep 0.3; }
# The computer field has the focus at start.
keys Tab Tab                 # user, message
xdotool type --delay 100 --window "$window" hello
keys Tab Tab                 # log, time (its text selected)
xdotool type --delay 100 --window "$window" 77
still_there() {
  if ! xdotool search --onlyvisible --name "$title" >/dev/null 2>&1; then
    echo "FAIL: Escape in the $1 closed the program" >&2
    exit 1
  fi
}
keys shift+Tab               # log
keys Escape                  # nothing happens
still_there "log pane"
keys shift+Tab               # message (its text selected)
keys Escape                  # nothing happens
still_there "message editor"
xdotool type --delay 100 --window "$window" X
# Alt+F4 as real key input to the focused window (ours): sent to the window
# itself, its release could find the window already gone (under a window
# manager it is destroyed at once) and fail. The program ending is what counts.
xdotool windowfocus --sync "$window"
xdotool key alt+F4
for _ in $(seq 300); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
wait "$app" 2>/dev/null || true

ini="$work/Talkpost.ini"
[ -f "$ini" ] || { echo "FAIL: no settings file was saved" >&2; exit 1; }
status=0
grep -q $'^TimeEdit_Value=77\r$' "$ini" || { echo "FAIL: Tab did not reach the time field" >&2; status=1; }
grep -q $'^Item0=X\r$' "$ini" || { echo "FAIL: Shift+Tab did not come back to the message editor" >&2; status=1; }
grep -q $'^Count=1\r$' <(sed -n '/RichText_Lines/,/^$/p' "$ini") ||
  { echo "FAIL: the message is not the one line typed last" >&2; status=1; }
[ $status -eq 0 ] || cat "$ini" >&2
[ $status -eq 0 ] && echo "Tab, Shift+Tab and Escape behave"
exit $status
