#!/usr/bin/env bash
# Lists in and out through the standard dialogs, with real keys on the
# running talkpost.exe under Wine (xdotool): Alt+T, I opens the Open dialog,
# the list file's path typed into its name field and Enter import it (a
# header, a comment, a name listed in other letter case, a refused name and a
# name twice); Alt+T, X opens the Save dialog, and the path typed there and
# Enter export the list. The exported file shows what the import added.
# Argument: the Windows build folder.
source "$(dirname "$0")/../support/wine_script.sh" "$1"
source "$root/tests/support/real_keys.sh"

printf 'Name,Room\r\n# the lab\r\npc01,A\r\nREMOTE01,B\r\n"pc02",C\r\na&b,D\r\nPC01\r\n' >"$work/fleet.csv"
save='^Save As$'
talkpost_start "$work" "$build/talkpost.exe"
focus_window "$talkpost_title"

keys alt+t i
wait_window '^Open$'
xdotool type --delay 30 "$(winepath -w "$work/fleet.csv")"
keys Return
wait_window '^Open$' gone

# The main window takes the keyboard back before the next keys.
focus_window "$talkpost_title"
keys alt+t x
wait_window "$save"
xdotool type --delay 30 "$(winepath -w "$work/out.txt")"
keys Return
wait_window "$save" gone
wait_for_files 30 "$work" test -s "$work/out.txt" ||
  { echo "FAIL: the list was not exported" >&2; exit 1; }
talkpost_close

expected=$(printf '*\r\npc01\r\npc02\r\nRemote01\r\nRemote02\r\n' | od -c)
actual=$(od -c <"$work/out.txt")
if [ "$actual" != "$expected" ]; then
  echo "FAIL: the exported list is not the imported one:" >&2
  od -c <"$work/out.txt" >&2
  exit 1
fi
[ -z "$(find "$work" -name '*.tmp')" ] || { echo "FAIL: a partial file was left" >&2; exit 1; }
echo "imported through the Open dialog, exported through the Save dialog"
