# Sourced by the run and test scripts: one Wine prefix per checkout, quiet Wine,
# a display (Xvfb when there is none) and a persistent wineserver so that every
# process starts fast.
TALKPOST_ROOT=${TALKPOST_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
export WINEPREFIX=${WINEPREFIX:-$TALKPOST_ROOT/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEARCH=win64

talkpost_ensure_display() {
  if [ -z "${DISPLAY:-}" ]; then
    export DISPLAY=:77
  fi
  if ! xdpyinfo -display "$DISPLAY" >/dev/null 2>&1 && [ "$DISPLAY" = ":77" ]; then
    (Xvfb :77 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &)
    for _ in $(seq 50); do
      xdpyinfo -display :77 >/dev/null 2>&1 && break
      sleep 0.1
    done
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
