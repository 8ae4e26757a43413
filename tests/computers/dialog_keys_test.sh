#!/usr/bin/env bash
# Real keys on the running talkpost.exe under Wine (xdotool): a key that
# closes the Edit Computer List dialog stays with the dialog. With the user
# field focused (its "*" selected), Alt+T, E opens the dialog, Tab five times
# reaches Cancel and Enter presses it: the user field keeps "*". Then in the
# message editor, with "hi" typed, the same way to Cancel with Enter held
# down well past the keyboard's repeat delay: the repeats must not type new
# lines into the message. Last, F2 renames an entry from the keyboard and
# Enter saves. What the keys left is read from the settings file
# the program saves when it is closed with Alt+F4.
# Argument: the Windows build folder.
source "$(dirname "$0")/../support/wine_script.sh" "$1"
source "$root/tests/support/real_keys.sh"

talkpost_start "$work" "$build/talkpost.exe"
dialog='^Edit Computer List$'
focus_window "$talkpost_title"

# The computer field has the focus at start.
keys Tab alt+t e
wait_window "$dialog"
keys Tab Tab Tab Tab Tab Return
wait_window "$dialog" gone

keys Tab h i alt+t e
wait_window "$dialog"
keys Tab Tab Tab Tab Tab
# Held as a person holds it: the X server repeats it meanwhile.
hold_key Return 1.5
wait_window "$dialog" gone

# F2 edits the selected entry (Down three times: the last of the three); Enter
# ends the edit; three Tabs on, Enter presses "Save".
keys alt+t e
wait_window "$dialog"
keys Tab Down Down Down F2 z z Return Tab Tab Tab Return
wait_window "$dialog" gone
talkpost_close

ini="$work/Talkpost.ini"
[ -f "$ini" ] || { echo "FAIL: no settings file was saved" >&2; exit 1; }
ini=$(settings_as_utf8 "$ini")
status=0
grep -q $'^UserEdit_Text=\\*\r$' "$ini" || { echo "FAIL: a key of the dialog reached the user field" >&2; status=1; }
grep -q $'^Count=1\r$' <(sed -n '/RichText_Lines/,/^\r\?$/p' "$ini") && grep -q $'^Item0=hi\r$' "$ini" ||
  { echo "FAIL: the held Enter typed into the message behind the dialog" >&2; status=1; }
grep -q $'^Item2=zz\r$' <(sed -n '/IPComboBox_Items/,/^\r\?$/p' "$ini") ||
  { echo "FAIL: F2 and Enter did not rename the last computer" >&2; status=1; }
[ $status -eq 0 ] || cat "$ini" >&2
[ $status -eq 0 ] && echo "the keys that close the dialog stay with it; F2 edits"
exit $status
