#!/usr/bin/env bash
# Sets up, builds the Windows program and starts Talkpost under Wine, with
# the msg.exe and mstsc.exe stand-ins in the Wine prefix (they pop the
# received message up) and the demo banner and update server on 127.0.0.1.
# Without a display it runs under Xvfb and saves a screenshot.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup.sh
cmake --preset windows
cmake --build --preset windows -j "$(nproc)" --target talkpost standin_msg standin_mstsc
headless=0
[ -n "${DISPLAY:-}" ] || headless=1
source tools/scripts/wine-env.sh
talkpost_ensure_display
trap talkpost_stop_display EXIT
tools/scripts/prepare-prefix.sh build/windows/standins

# The demo's own settings folder, pointing at the local banner server.
demo="$root/build/demo"
mkdir -p "$demo"
export TALKPOST_SETTINGS_DIR=$(winepath -w "$demo")
port=8765
if [ -f tools/banner/serve-demo.py ]; then
  /usr/bin/python3 tools/banner/serve-demo.py "$port" >"$demo/banner-server.log" 2>&1 &
  server=$!
  trap 'kill $server 2>/dev/null || true; talkpost_stop_display' EXIT
  for _ in $(seq 50); do
    (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null && break
    sleep 0.1
  done
  ini="$demo/Talkpost.ini"
  touch "$ini"
  if ! grep -q '^\[Talkpost\]' "$ini"; then
    printf '[Talkpost]\r\nBannerServer=http://127.0.0.1:%s\r\n' "$port" >>"$ini"
  fi
fi
update_port=8766
tools/update/serve-demo.sh "$update_port" >"$demo/update-server.log" 2>&1 &
update_server=$!
trap 'kill ${server:-} $update_server 2>/dev/null || true' EXIT
grep -q '^UpdateServer=' "$demo/Talkpost.ini" 2>/dev/null ||
  sed -i "s|^\[Talkpost\]\r\?\$|&\nUpdateServer=http://127.0.0.1:$update_port\r|" "$demo/Talkpost.ini"
export TALKPOST_STANDIN_POPUP=1
cd "$demo"
if [ "$headless" = 1 ]; then
  wine "$root/build/windows/talkpost.exe" Remote01 </dev/null >/dev/null 2>&1 &
  app=$!
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name '^Orvanta-Messanger$' >/dev/null 2>&1 && break
    sleep 0.1
  done
  sleep 2
  mkdir -p "$root/build/screenshots"
  shot="$root/build/screenshots/demo.png"
  import -display "$DISPLAY" -window root "$shot"
  echo "Talkpost runs under Xvfb on $DISPLAY (pid $app); screenshot saved to $shot"
  wait $app || true
else
  exec wine "$root/build/windows/talkpost.exe" Remote01
fi
