#!/usr/bin/env bash
# Real key input on the running talkpost.exe under Wine (xdotool on its X
# window): Ctrl+Enter is Send, inside the message editor (where it must not
# add a line) and in the user field. What arrived is read from the msg.exe
# stand-in's record; the editor's text from the settings file the program
# saves when it is closed with Alt+F4.
# Argument: the Windows build folder.
source "$(dirname "$0")/../support/wine_script.sh" "$1"
source "$root/tests/support/real_keys.sh"
record="$work/standins.log"
export TALKPOST_STANDIN_LOG=$(winepath -w "$record" 2>/dev/null)

# The msg.exe stand-in appends to its record in the work folder: each change
# there is a moment to count again.
sent_at_least() {
  local n
  n=$(grep -c '^program: msg.exe' "$record" 2>/dev/null) || true
  [ "${n:-0}" -ge "$1" ]
}

# The keys go to the focused window as real input, as a person's do: under a
# window manager, events sent to one X window by number can find it reparented.
talkpost_start "$work" "$build/talkpost.exe" pc1
focus_window "$talkpost_title"

status=0
# The computer field has the focus at start: Tab, Tab to the message editor.
keys Tab Tab
xdotool type --delay 100 hi
keys ctrl+Return
if ! wait_for_files 30 "$work" sent_at_least 1; then
  echo "FAIL: Ctrl+Enter in the message editor did not send" >&2
  status=1
fi
keys shift+Tab                 # the user field
keys ctrl+Return
if ! wait_for_files 30 "$work" sent_at_least 2; then
  echo "FAIL: Ctrl+Enter in the user field did not send" >&2
  status=1
fi
talkpost_close

if [ -f "$record" ]; then
  # "hi" and nothing else: the key that sent added no line break.
  bad=$(grep '^stdin-hex:' "$record" | grep -v -x $'stdin-hex: 6869\r' || true)
  [ -z "$bad" ] || { echo "FAIL: msg.exe read something else than \"hi\": $bad" >&2; status=1; }
  grep -q '^args: /SERVER:pc1 /TIME:60 \*' "$record" || { echo "FAIL: not sent to pc1" >&2; status=1; }
fi
ini="$work/Talkpost.ini"
if [ -f "$ini" ]; then
  ini=$(settings_as_utf8 "$ini")
  grep -q $'^Count=1\r$' <(sed -n '/RichText_Lines/,/^$/p' "$ini") ||
    { echo "FAIL: Ctrl+Enter added a line to the message" >&2; sed -n '/RichText_Lines/,/^$/p' "$ini" >&2; status=1; }
else
  echo "FAIL: no settings file was saved" >&2
  status=1
fi
[ $status -eq 0 ] && echo "Ctrl+Enter sends, from the message editor and from the user field"
exit $status
