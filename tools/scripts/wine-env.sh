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

talkpost_ensure_prefix() {
  # Wine's desktop process starts with the server: it needs the display first.
  talkpost_ensure_display
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
