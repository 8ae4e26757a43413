#!/usr/bin/env bash
# Real keys on the running talkpost.exe under Wine (xdotool): a key that
# closes the Edit Computer List dialog stays with the dialog. With the user
# field focused (its "*" selected), Alt+T, E opens the dialog, Tab five times
# reaches Cancel and Enter presses it: the user field keeps "*". Then in the
# message editor, with "hi" typed, the same way to Cancel with Enter held
# down well past the keyboard's repeat delay: the repeats must not type new
# lines into the message. What the keys left is read from the settings file
# the program saves when it is closed with Alt+F4.
# Argument: the Windows build folder.
set -euo pipefail
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/tools/scripts/wine-env.sh"
talkpost_ensure_display
work=$(mktemp -d)
trap 'rm -rf "$work"; talkpost_stop_display' EXIT
export TALKPOST_SETTINGS_DIR=$(winepath -w "$work" 2>/dev/null)

# Waits (up to 60 s) until a visible window with the title is there, or, with "gone", is not.
wait_window() {
  local title=$1 want=${2:-there} _
  for _ in $(seq 600); do
    if xdotool search --onlyvisible --name "$title" >/dev/null 2>&1; then
      [ "$want" = there ] && return 0
    else
      [ "$want" = gone ] && return 0
    fi
    sleep 0.1
  done
  echo "FAIL: the window \"$title\" is not $want" >&2
  exit 1
}

(cd "$work" && exec wine "$build/talkpost.exe" </dev/null >/dev/null 2>&1) &
app=$!
main='^Orvanta-Messanger$'
dialog='^Edit Computer List$'
wait_window "$main"
xdotool windowfocus --sync "$(xdotool search --onlyvisible --name "$main" | head -1)"
keys() { xdotool key --delay 100 "$@"; }

# The computer field has the focus at start.
keys Tab alt+t e
wait_window "$dialog"
keys Tab Tab Tab Tab Tab Return
wait_window "$dialog" gone

keys Tab h i alt+t e
wait_window "$dialog"
keys Tab Tab Tab Tab Tab
# Held as a person holds it: the keyboard repeats it meanwhile.
xdotool keydown Return
sleep 1.5
xdotool keyup Return
wait_window "$dialog" gone

keys alt+F4
for _ in $(seq 300); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
wait "$app" 2>/dev/null || true

ini="$work/Talkpost.ini"
[ -f "$ini" ] || { echo "FAIL: no settings file was saved" >&2; exit 1; }
status=0
grep -q $'^UserEdit_Text=\\*\r$' "$ini" || { echo "FAIL: a key of the dialog reached the user field" >&2; status=1; }
grep -q $'^Count=1\r$' <(sed -n '/RichText_Lines/,/^\r\?$/p' "$ini") && grep -q $'^Item0=hi\r$' "$ini" ||
  { echo "FAIL: the held Enter typed into the message behind the dialog" >&2; status=1; }
[ $status -eq 0 ] || cat "$ini" >&2
[ $status -eq 0 ] && echo "the keys that close the dialog stay with it"
exit $status
