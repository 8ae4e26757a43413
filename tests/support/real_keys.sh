# Sourced by the test scripts that drive the built talkpost.exe under Wine
# with real keys (xdotool through the X server), as a person does. Needs
# tools/scripts/wine-env.sh sourced and a display.

# Starts talkpost.exe (path and arguments as given) in a fresh settings folder
# $1 and remembers its process in talkpost_pid.
talkpost_start() {
  local folder=$1
  shift
  export TALKPOST_SETTINGS_DIR
  TALKPOST_SETTINGS_DIR=$(winepath -w "$folder" 2>/dev/null)
  (cd "$folder" && exec wine "$@" </dev/null >/dev/null 2>&1) &
  talkpost_pid=$!
}

# Waits (up to 60 s) until a visible window whose title matches $1 is there
# or, with $2 "gone", is not; fails the test otherwise.
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

# Gives the keyboard to the first visible window whose title matches $1.
focus_window() {
  wait_window "$1"
  xdotool windowfocus --sync "$(xdotool search --onlyvisible --name "$1" | head -1)"
}

# Presses keys (xdotool names: Tab, Return, alt+t, ...) on the focused window.
keys() { xdotool key --delay 100 "$@"; }

# Closes the program with Alt+F4 and waits (up to 30 s) until it has ended and
# saved its settings into the folder it was started with.
talkpost_close() {
  local _
  keys alt+F4
  for _ in $(seq 300); do kill -0 "$talkpost_pid" 2>/dev/null || break; sleep 0.1; done
  wait "$talkpost_pid" 2>/dev/null || true
}
