#!/usr/bin/env bash
# Sets up, builds the Windows program and starts Talkpost under Wine, with
# the msg.exe and mstsc.exe stand-ins in the Wine prefix (they pop the
# received message up), the demo banner and a demo update served from
# 127.0.0.1. Talkpost runs from its own demo folder, "build/demo/Talkpost App",
# which a fresh copy of the build replaces at every start, so "?" ->
# "LiveUpdate" can update and restart it again and again.
# Without a display it runs under Xvfb, walks through a whole LiveUpdate by
# itself and leaves a screenshot of each step in build/screenshots.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup.sh
cmake --preset windows
cmake --build --preset windows -j "$(nproc)" --target talkpost talkpost_next standin_msg standin_mstsc demo_walk
headless=0
[ -n "${DISPLAY:-}" ] || headless=1
source tools/scripts/wine-env.sh
talkpost_ensure_display
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  talkpost_stop_display
}
trap cleanup EXIT
tools/scripts/prepare-prefix.sh build/windows/standins

# The demo's own settings folder and program folder.
demo="$root/build/demo"
app="$demo/Talkpost App"
mkdir -p "$demo" "$app"
cp build/windows/talkpost.exe "$app/talkpost.exe"
export TALKPOST_SETTINGS_DIR=$(winepath -w "$demo")
ini="$demo/Talkpost.ini"
touch "$ini"
grep -q '^\[Talkpost\]' "$ini" || printf '[Talkpost]\r\n' >>"$ini"

banner_port=8765
/usr/bin/python3 tools/banner/serve-demo.py "$banner_port" >"$demo/banner-server.log" 2>&1 &
pids+=($!)
update_port=8766
tools/update/serve-demo.sh "$update_port" build/windows >"$demo/update-server.log" 2>&1 &
pids+=($!)
for port in "$banner_port" "$update_port"; do
  for _ in $(seq 100); do
    (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null && break
    sleep 0.1
  done
done
grep -q '^BannerServer=' "$ini" ||
  sed -i "s|^\[Talkpost\]\r\?\$|&\nBannerServer=http://127.0.0.1:$banner_port\r|" "$ini"
grep -q '^UpdateServer=' "$ini" ||
  sed -i "s|^\[Talkpost\]\r\?\$|&\nUpdateServer=http://127.0.0.1:$update_port\r|" "$ini"

export TALKPOST_STANDIN_POPUP=1
cd "$demo"
if [ "$headless" = 0 ]; then
  echo "Talkpost starts; try \"?\" -> \"LiveUpdate\" for the demo update (version 1.0.0.1 -> 1.0.0.2)."
  wine "$app/talkpost.exe" Remote01
  exit 0
fi

wine "$app/talkpost.exe" Remote01 </dev/null >/dev/null 2>&1 &
shots="$root/build/screenshots"
mkdir -p "$shots"
for _ in $(seq 100); do
  xdotool search --onlyvisible --name '^Orvanta-Messanger$' >/dev/null 2>&1 && break
  sleep 0.1
done
sleep 2
import -display "$DISPLAY" -window root "$shots/demo.png"
echo "Talkpost runs under Xvfb on $DISPLAY; walking through LiveUpdate"
status=0
wine "$root/build/windows/demo_walk.exe" "$(winepath -w "$shots")" </dev/null || status=$?
for shot in "$shots"/*.bmp; do
  [ -f "$shot" ] || continue
  convert "$shot" "${shot%.bmp}.png" && rm -f "$shot"
done
echo "screenshots of each step in $shots"
# The restarted program stays until its window is closed; end it with the demo.
wineserver -k 2>/dev/null || true
exit "$status"
