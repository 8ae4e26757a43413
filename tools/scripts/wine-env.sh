# Sourced by the run and test scripts: one Wine prefix per checkout, quiet Wine,
# a display (Xvfb when there is none) with a window manager on it, and a
# persistent wineserver so that every process starts fast.
TALKPOST_ROOT=${TALKPOST_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
export WINEPREFIX=${WINEPREFIX:-$TALKPOST_ROOT/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEARCH=win64
# How long Xvfb or the window manager may take to come up.
TALKPOST_DISPLAY_START_SECONDS=20
TALKPOST_WM_READY=talkpost-window-manager-ready

# Keeps an existing DISPLAY. Without one, starts Xvfb on the first free
# display number and remembers its process in TALKPOST_XVFB_PID, so that the
# script that started it can stop it with talkpost_stop_display. Either way
# the display gets a window manager (talkpost_ensure_wm).
talkpost_ensure_display() {
  if [ -n "${DISPLAY:-}" ]; then
    talkpost_ensure_wm
    return
  fi
  local n ready_fd number
  for n in $(seq 90 160); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    # Xvfb writes the display number to -displayfd once it takes connections.
    exec {ready_fd}< <(exec Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -displayfd 3 3>&1 >/dev/null 2>&1)
    TALKPOST_XVFB_PID=$!
    number=
    IFS= read -r -t "$TALKPOST_DISPLAY_START_SECONDS" -u "$ready_fd" number || :
    exec {ready_fd}<&-
    if [ "$number" = "$n" ]; then
      # The process number stays with this shell: a script started from it
      # sees the display but must not stop it.
      export DISPLAY=":$n"
      talkpost_ensure_wm
      return
    fi
    kill "$TALKPOST_XVFB_PID" 2>/dev/null || true
    wait "$TALKPOST_XVFB_PID" 2>/dev/null || true
    unset TALKPOST_XVFB_PID
  done
  echo "no free X display for Xvfb" >&2
  return 1
}

# The window the display's window manager announces on the root window, when
# that window exists: a manager that has ended leaves the property behind.
talkpost_wm_window() {
  local id
  id=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | sed -n 's/.*window id # \(0x[0-9a-f]*\).*/\1/p')
  [ -n "$id" ] && xwininfo -id "$id" >/dev/null 2>&1 && echo "$id"
}

# A display without a window manager makes Wine wait 2 s at every hidden or
# destroyed window (it waits for a manager to take the window in), and no
# window can be minimised. Starts the small manager openbox when the display
# has none (evilwm, smaller still, ignores every request to minimise a window)
# and remembers its process in TALKPOST_WM_PID for talkpost_stop_display; a
# display that has one keeps it. TALKPOST_WM=none leaves the display bare (to
# measure what the manager saves).
talkpost_ensure_wm() {
  [ "${TALKPOST_WM:-openbox}" != none ] || return 0
  [ -z "${TALKPOST_WM_PID:-}" ] || return 0
  talkpost_wm_window >/dev/null && return 0
  if ! command -v openbox >/dev/null; then
    echo "error: no window manager on $DISPLAY and openbox is not installed (scripts/setup.sh installs it)" >&2
    return 1
  fi
  local ready_fd line
  # openbox runs its start-up command once it manages the screen; that
  # command's line on the shared output says it is ready.
  exec {ready_fd}< <(exec openbox --sm-disable --startup "echo $TALKPOST_WM_READY" </dev/null 2>/dev/null)
  TALKPOST_WM_PID=$!
  while IFS= read -r -t "$TALKPOST_DISPLAY_START_SECONDS" -u "$ready_fd" line; do
    if [ "$line" = "$TALKPOST_WM_READY" ]; then
      # The rest of what it prints is read and dropped, so that it never
      # writes into a closed pipe.
      cat <&"$ready_fd" >/dev/null 2>&1 &
      disown $!
      exec {ready_fd}<&-
      return 0
    fi
  done
  exec {ready_fd}<&-
  kill "$TALKPOST_WM_PID" 2>/dev/null || true
  unset TALKPOST_WM_PID
  echo "error: the window manager openbox did not come up on $DISPLAY" >&2
  return 1
}

# Stops the window manager and the Xvfb that talkpost_ensure_display started, if any.
talkpost_stop_display() {
  if [ -n "${TALKPOST_WM_PID:-}" ]; then
    kill "$TALKPOST_WM_PID" 2>/dev/null || true
    wait "$TALKPOST_WM_PID" 2>/dev/null || true
    unset TALKPOST_WM_PID
  fi
  if [ -n "${TALKPOST_XVFB_PID:-}" ]; then
    kill "$TALKPOST_XVFB_PID" 2>/dev/null || true
    wait "$TALKPOST_XVFB_PID" 2>/dev/null || true
    unset TALKPOST_XVFB_PID
  fi
}

# Makes the prefix when missing and checks that Wine runs a program in it.
# Once a test run has checked it, it says so in TALKPOST_PREFIX_CHECKED (the
# prefix's path, exported by scripts/test.sh for each lane): the tests' own
# programs then skip the check and its extra program start.
talkpost_ensure_prefix() {
  # Wine's desktop process starts with the server: it needs the display first.
  talkpost_ensure_display
  [ "${TALKPOST_PREFIX_CHECKED:-}" != "$WINEPREFIX" ] || return 0
  mkdir -p "$(dirname "$WINEPREFIX")"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i </dev/null >/dev/null 2>&1 || true
    wineserver -w
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      echo "error: wineboot did not make the Wine prefix $WINEPREFIX" >&2
      return 1
    fi
  fi
  # Wine's own fonts (Marlett draws the caption buttons, Tahoma the text):
  # this Wine looks for them only in the prefix's font folder; without them it
  # draws letters for the buttons and falls back to bitmap fonts.
  local fonts=/usr/share/wine/fonts font
  if [ ! -f "$fonts/marlett.ttf" ]; then
    echo "error: Wine's fonts are missing in $fonts (scripts/setup.sh installs fonts-wine)" >&2
    return 1
  fi
  for font in "$fonts"/*.ttf; do
    [ -f "$WINEPREFIX/drive_c/windows/Fonts/${font##*/}" ] || cp "$font" "$WINEPREFIX/drive_c/windows/Fonts/"
  done
  # The persistent server and Wine's service processes outlive the caller:
  # start them detached from its output, or a test runner reading that output
  # would wait for them forever.
  wineserver -p </dev/null >/dev/null 2>&1 || true
  if ! wine cmd.exe /c exit </dev/null >/dev/null 2>&1; then
    echo "error: Wine runs no program in the prefix $WINEPREFIX (try removing it; it is made anew)" >&2
    return 1
  fi
  # Wine draws the frames itself, title bar and caption buttons as on
  # Windows; the window manager only manages them (a minimal one draws no
  # title bars, so neither screenshots nor a person could check the captions).
  if ! grep -q '^"Decorated"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
    if ! wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f </dev/null >/dev/null 2>&1; then
      echo "error: cannot set Wine's own window frames in the prefix $WINEPREFIX" >&2
      return 1
    fi
  fi
}

# Wine's own service and desktop programs, which run for the whole server:
# the names of their files in the system folder, as alternatives.
TALKPOST_WINE_OWN='services|explorer|winedevice|plugplay|svchost|rpcss'

# Whether the process /proc/<n> ($1) runs in this prefix.
talkpost_of_prefix() {
  tr '\0' '\n' <"$1/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX"
}

# The programs running in this prefix now, Wine's own left out: one
# "<process number> <command line>" line each.
talkpost_programs_running() {
  local proc pid command own="^C:\\\\windows\\\\system32\\\\($TALKPOST_WINE_OWN)\\.exe( |\$)"
  for proc in /proc/[0-9]*; do
    case "$(readlink "$proc/exe" 2>/dev/null)" in
    */wine | */wine64 | */wine-preloader | */wine64-preloader) ;;  # a Windows program, not the server
    *) continue ;;
    esac
    pid=${proc#/proc/}
    talkpost_of_prefix "$proc" || continue
    command=$(tr '\0' ' ' <"$proc/cmdline" 2>/dev/null | sed 's/ *$//') || continue
    [[ "$command" =~ $own ]] && continue
    echo "$pid $command"
  done
}

# Whether this prefix's Wine server runs in this network namespace (one left
# from an earlier run in another namespace would reach that one's loopback).
talkpost_server_here() {
  local proc here
  here=$(readlink /proc/self/ns/net) || return 1
  for proc in /proc/[0-9]*; do
    case "$(readlink "$proc/exe" 2>/dev/null)" in
    */wineserver | */wineserver64) ;;
    *) continue ;;
    esac
    talkpost_of_prefix "$proc" || continue
    [ "$(readlink "$proc/ns/net" 2>/dev/null)" = "$here" ] && return 0
  done
  return 1
}

# Gives each test a Wine of its own: the programs an earlier test left
# running (a program whose test failed, a command interpreter still at work,
# a child its parent did not live to start) are named and ended, with Wine's
# server and services started afresh. Those services keep state from process
# to process: after tests that sent hundreds of echoes and ended with some in
# flight, the service behind echoes was seen to answer none any more, run
# after run, until the server was started afresh. So the server starts afresh
# when anything was left running and for every test that sends echoes
# (TALKPOST_SENDS_ECHOES=1, set by the test's definition); a test that finds
# nothing running and sends none keeps the server, which saves it about two
# seconds of Wine starting its services. Only for the test runner's tests
# (TALKPOST_FRESH_WINE=1, set by the windows test preset), and once per test:
# the scripts and programs a test starts inherit TALKPOST_TEST_ISOLATED and
# leave each other running. The tests under Wine run one at a time in a
# prefix (they share one display and one keyboard), so whatever runs at a
# test's start is left over.
talkpost_isolate_test() {
  [ "${TALKPOST_FRESH_WINE:-}" = 1 ] && [ -z "${TALKPOST_TEST_ISOLATED:-}" ] || return 0
  export TALKPOST_TEST_ISOLATED=1
  local left
  left=$(talkpost_programs_running)
  if [ -n "$left" ]; then
    echo "note: ending what an earlier test left running:" >&2
    sed 's/^/  /' <<<"$left" >&2
  elif [ "${TALKPOST_SENDS_ECHOES:-}" != 1 ] && talkpost_server_here; then
    return 0
  fi
  wineserver -k 2>/dev/null || :
  wineserver -w 2>/dev/null || :
  # Detached from the caller's output, as in talkpost_ensure_prefix.
  wineserver -p </dev/null >/dev/null 2>&1 || :
}

# What a test that does not end is doing, for its output: the programs
# running in the prefix, the window with the keyboard, and the threads of
# those programs and of Wine's driver host where they stand (Wine's debugger;
# the first frames of each).
talkpost_report_hang() {
  echo "--- running in the Wine prefix:"
  talkpost_programs_running | sed 's/^/  /'
  echo "--- keyboard focus: $(timeout 5 xdotool getwindowfocus getwindowname 2>/dev/null || echo '(none)')"
  echo "--- threads of the programs (first frames):"
  # The programs' threads first, the driver host's after them.
  printf 'bt all\nquit\n' | timeout 60 winedbg 2>/dev/null | awk -v own="$TALKPOST_WINE_OWN" '
    /^Backtracing for thread/ {
      host = $0 ~ /system32\\winedevice\.exe/
      keep = host || $0 !~ ("system32\\\\(" own "|winedbg)\\.exe"); frames = 0
      if (keep) line = "  " $0
    }
    keep && /^ *(=>)?[0-9]+ 0x/ && frames < 14 {
      frames++; sub(/ \[[^]]*\]/, ""); sub(/\(.*\) in /, " in "); sub(/ \(0x?[0-9a-f]*\)$/, ""); line = "    " $0
    }
    line != "" { if (host) later = later line "\n"; else print line; line = "" }
    END { printf "%s", later }' | head -n 300
}
