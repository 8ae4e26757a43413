# Sourced by the test scripts that drive the built talkpost.exe under Wine
# with real keys (xdotool through the X server), as a person does. Needs
# tools/scripts/wine-env.sh sourced and a display. Every wait is for what a
# key did: a window that shows or goes, a file the program writes, its end.
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/scripts/waits.sh"

# How long a window may take to show or to go, and the program to end.
TALKPOST_WINDOW_SECONDS=60
TALKPOST_EXIT_SECONDS=30
# The main window's title.
talkpost_title='^Orvanta-Messanger$'

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

# The settings file $1 as UTF-8 text in a copy beside it, whose path is
# printed: Talkpost writes it as UTF-16 with a byte order mark.
settings_as_utf8() {
  iconv -f UTF-16 -t UTF-8 "$1" >"$1.utf8" && echo "$1.utf8"
}

# Prints the first visible window whose title matches $1 (nothing when none).
visible_window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }

# Waits until a visible window whose title matches $1 is there, for at most
# TALKPOST_WINDOW_SECONDS. xdotool's search also fails at once, not only when
# its time is up, when a window goes away while it reads the list of windows
# (the hidden windows of the programs Send starts come and go): then it
# searches again.
window_appears() {
  local deadline=$((SECONDS + TALKPOST_WINDOW_SECONDS)) left
  while left=$((deadline - SECONDS)) && [ "$left" -gt 0 ]; do
    timeout "$left" xdotool search --sync --onlyvisible --name "$1" >/dev/null 2>&1 && return 0
    [ $? -ne 124 ] || return 1
    sleep 0.1
  done
  return 1
}

# Waits until no visible window's title matches $1, woken by every change of
# the window that has it: xprop -spy prints its state at once (the watch then
# stands), again at each change (the window manager takes the state away when
# the window is hidden) and ends when the window is destroyed.
window_gone() {
  local title=$1 deadline=$((SECONDS + TALKPOST_WINDOW_SECONDS)) id spy_fd spy line
  while id=$(visible_window "$title") && [ -n "$id" ]; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    exec {spy_fd}< <(exec xprop -spy -id "$id" WM_STATE _NET_WM_STATE 2>/dev/null)
    spy=$!
    IFS= read -r -t "$TALKPOST_WINDOW_SECONDS" -u "$spy_fd" line || :
    while xdotool search --onlyvisible --name "$title" 2>/dev/null | grep -x "$id" >/dev/null && [ "$SECONDS" -lt "$deadline" ] &&
      IFS= read -r -t "$((deadline - SECONDS))" -u "$spy_fd" line; do :; done
    kill "$spy" 2>/dev/null || :
    exec {spy_fd}<&-
    wait "$spy" 2>/dev/null || :
  done
}

# Gives the keyboard to the first visible window whose title matches $1 and
# waits until the program under Wine has made it its foreground window: the
# X server's focus comes first, and keys pressed before the program has taken
# it in are lost. $1 is a whole title, "^...$", as window_ready takes it.
window_takes_keys() {
  local title=${1#^}
  title=${title%\$}
  xdotool windowfocus --sync "$(visible_window "$1")" 2>/dev/null &&
    wine "$build/tests/support/window_ready.exe" "$title" </dev/null >/dev/null 2>&1
}

# Waits until a visible window whose title matches $1 is there and takes
# keys or, with $2 "gone", is not there; fails the test otherwise.
wait_window() {
  local title=$1 want=${2:-there}
  if [ "$want" = there ]; then
    window_appears "$title" && window_takes_keys "$title" && return 0
  else
    window_gone "$title" && return 0
  fi
  echo "FAIL: the window \"$title\" is not $want" >&2
  exit 1
}

# Gives the keyboard to the first visible window whose title matches $1.
focus_window() { wait_window "$1"; }

# Presses keys (xdotool names: Tab, Return, alt+t, ...) on the focused window.
keys() { xdotool key --delay 100 "$@"; }

# Holds key $1 down for $2 seconds, well past the keyboard's repeat delay
# (660 ms under Xvfb), so that the X server sends its repeats meanwhile. The
# pause inside is the hold itself, the input as a person gives it, not a wait
# for anything: xdotool presses, keeps the key down that long, and releases.
hold_key() { xdotool keydown "$1" sleep "$2" keyup "$1"; }

# Closes the program with Alt+F4, given to its main window as real key input,
# and waits until it has ended and saved its settings into the folder it was
# started with; fails the test when it stays. A program that has ended before
# (a key closed it) gets no Alt+F4: what it saved then tells the test.
talkpost_close() {
  local search ended= status=0
  window_appears "$talkpost_title" &
  search=$!
  wait -n -p ended "$search" "$talkpost_pid" 2>/dev/null || status=$?
  if [ "$ended" = "$search" ]; then
    [ "$status" -eq 0 ] || { echo "FAIL: the main window is not there to close" >&2; exit 1; }
    focus_window "$talkpost_title"
    keys alt+F4
  else
    kill "$search" 2>/dev/null || :
    wait "$search" 2>/dev/null || :
  fi
  wait_for_exit "$TALKPOST_EXIT_SECONDS" "$talkpost_pid" && return 0
  echo "FAIL: the program did not end after Alt+F4" >&2
  exit 1
}
