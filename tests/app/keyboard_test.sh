#!/usr/bin/env bash
# Real key input on the running talkpost.exe under Wine (xdotool through the X
# server): Tab and Shift+Tab walk computer, user, message, log and time, and
# Escape in the log pane and in the message editor does nothing. What the keys
# did is read from the settings file the program saves when it is closed with
# Alt+F4: the keys after each Escape still arrived, so neither closed it.
# Argument: the Windows build folder.
source "$(dirname "$0")/../support/wine_script.sh" "$1"
source "$root/tests/support/real_keys.sh"

talkpost_start "$work" "$build/talkpost.exe" pc1
focus_window "$talkpost_title"
# The computer field has the focus at start.
keys Tab Tab                 # user, message
xdotool type --delay 100 hello
keys Tab Tab                 # log, time (its text selected)
xdotool type --delay 100 77
keys shift+Tab Escape        # log: nothing happens
keys shift+Tab               # message (its text selected)
xdotool type --delay 100 Y
keys Escape                  # nothing happens
xdotool type --delay 100 X
talkpost_close

ini="$work/Talkpost.ini"
[ -f "$ini" ] || { echo "FAIL: no settings file was saved" >&2; exit 1; }
ini=$(settings_as_utf8 "$ini")
message=$(sed -n '/RichText_Lines/,/^\r\?$/s/^Item0=\(.*\)\r$/\1/p' "$ini")
status=0
grep -q $'^TimeEdit_Value=77\r$' "$ini" || { echo "FAIL: Tab did not reach the time field" >&2; status=1; }
case $message in
  YX) ;;
  hello) echo "FAIL: Escape in the log pane closed the program, or Shift+Tab did not come back to the message editor" >&2
         status=1 ;;
  Y) echo "FAIL: Escape in the message editor closed the program" >&2; status=1 ;;
  *) echo "FAIL: the message reads \"$message\" instead of YX (Shift+Tab selects the editor's text, Escape keeps it)" >&2
     status=1 ;;
esac
grep -q $'^Count=1\r$' <(sed -n '/RichText_Lines/,/^$/p' "$ini") ||
  { echo "FAIL: the message is not the one line typed last" >&2; status=1; }
[ $status -eq 0 ] || cat "$ini" >&2
[ $status -eq 0 ] && echo "Tab, Shift+Tab and Escape behave"
exit $status
