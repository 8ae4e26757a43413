# Sourced by the run and test scripts: one Wine prefix per checkout, quiet Wine,
# a display (Xvfb when there is none) and a persistent wineserver so that every
# process starts fast.
TALKPOST_ROOT=${TALKPOST_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
export WINEPREFIX=${WINEPREFIX:-$TALKPOST_ROOT/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEARCH=win64

# Keeps an existing DISPLAY. Without one, starts Xvfb on the first free
# display number and remembers its process in TALKPOST_XVFB_PID, so that the
# script that started it can stop it with talkpost_stop_display.
talkpost_ensure_display() {
  if [ -n "${DISPLAY:-}" ]; then
    return 0
  fi
  local n
  for n in $(seq 90 160); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    TALKPOST_XVFB_PID=$!
    local _
    for _ in $(seq 50); do
      xdpyinfo -display ":$n" >/dev/null 2>&1 && break
      sleep 0.1
    done
    if xdpyinfo -display ":$n" >/dev/null 2>&1; then
      # The process number stays with this shell: a script started from it
      # sees the display but must not stop it.
      export DISPLAY=":$n"
      return 0
    fi
    kill "$TALKPOST_XVFB_PID" 2>/dev/null || true
    unset TALKPOST_XVFB_PID
  done
  echo "no free X display for Xvfb" >&2
  return 1
}

# Stops the Xvfb that talkpost_ensure_display started, if any.
talkpost_stop_display() {
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
  fi
  # The persistent server and Wine's service processes outlive the caller:
  # start them detached from its output, or a test runner reading that output
  # would wait for them forever.
  wineserver -p </dev/null >/dev/null 2>&1 || true
  wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
}
