#!/usr/bin/env bash
# Sets up, builds the Windows program and starts Talkpost under Wine, with
# the msg.exe and mstsc.exe stand-ins in the Wine prefix (they pop the
# received message up), the demo banner and a demo update served from
# 127.0.0.1 on free ports. Talkpost runs from its own demo folder,
# "build/demo/Talkpost App", which a fresh copy of the build replaces at every
# start, so "?" -> "LiveUpdate" can update and restart it again and again.
# Without a display it runs under Xvfb with a window manager, walks through a
# whole LiveUpdate by itself and leaves a screenshot of each step in
# build/screenshots. Whatever does not come up (a server, the prefix, the
# window) stops it with a message and a non-zero exit.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

fail() {
  echo "run.sh: error: $*" >&2
  exit 1
}

scripts/setup.sh
cmake --preset windows
cmake --build --preset windows -j "$(nproc)" --target talkpost talkpost_next standin_msg standin_mstsc demo_walk
headless=0
[ -n "${DISPLAY:-}" ] || headless=1
source tools/scripts/wine-env.sh
source tools/scripts/waits.sh
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || :; done
  # The restarted program stays until its window is closed; end it with the demo.
  [ -z "${WINESERVER_STARTED:-}" ] || wineserver -k 2>/dev/null || :
  talkpost_stop_display
}
trap cleanup EXIT
talkpost_ensure_display || fail "no X display (Xvfb) with a window manager came up"
tools/scripts/prepare-prefix.sh build/windows/standins || fail "the Wine prefix $WINEPREFIX could not be prepared"
WINESERVER_STARTED=1

# The demo's own settings folder and program folder.
demo="$root/build/demo"
app="$demo/Talkpost App"
mkdir -p "$demo" "$app"
cp build/windows/talkpost.exe "$app/talkpost.exe"
export TALKPOST_SETTINGS_DIR=$(winepath -w "$demo")
ini="$demo/Talkpost.ini"

# How long a server may take to listen, and the program's window to show.
server_start_seconds=30
window_seconds=60
# Our demo servers print their address ("... http://127.0.0.1:<port> ...")
# into their log once they listen, and end when they cannot.
server_up() { grep -q "http://127.0.0.1:$2\b" "$3" || ! kill -0 "$1" 2>/dev/null; }
# Waits until the server process pid listens on port; fails when it ends first or takes too long.
wait_for_server() {
  local name=$1 pid=$2 port=$3 log=$4
  wait_for_files "$server_start_seconds" "$(dirname "$log")" server_up "$pid" "$port" "$log" || :
  kill -0 "$pid" 2>/dev/null || fail "the $name server ended at its start (log: $log):
$(tail -n 20 "$log")"
  grep -q "http://127.0.0.1:$port\b" "$log" ||
    fail "the $name server does not listen on 127.0.0.1:$port after $server_start_seconds s (log: $log)"
}

banner_port=$(free_ports 1)
/usr/bin/python3 tools/banner/serve-demo.py "$banner_port" >"$demo/banner-server.log" 2>&1 &
pids+=($!)
wait_for_server banner "${pids[-1]}" "$banner_port" "$demo/banner-server.log"
update_port=$(free_ports 1)
tools/update/serve-demo.sh "$update_port" build/windows >"$demo/update-server.log" 2>&1 &
pids+=($!)
wait_for_server update "${pids[-1]}" "$update_port" "$demo/update-server.log"

# The servers' addresses in our own section, whatever ports an earlier run used.
# Talkpost saves the file as UTF-16; it is edited here as UTF-8 and kept so,
# with the UTF-8 mark on a line of its own (Talkpost reads that as well).
touch "$ini"
if [ "$(head -c 2 "$ini" | od -An -tx1 | tr -d ' ')" = "fffe" ]; then
  { printf '\xef\xbb\xbf\r\n'; iconv -f UTF-16 -t UTF-8 "$ini"; } >"$ini.utf8" && mv "$ini.utf8" "$ini"
fi
sed -i '/^BannerServer=/d; /^UpdateServer=/d' "$ini"
grep -q '^\[Talkpost\]' "$ini" || printf '[Talkpost]\r\n' >>"$ini"
sed -i "s|^\[Talkpost\]\r\?\$|&\nBannerServer=http://127.0.0.1:$banner_port\r\nUpdateServer=http://127.0.0.1:$update_port\r|" "$ini"

export TALKPOST_STANDIN_POPUP=1
cd "$demo"
if [ "$headless" = 0 ]; then
  echo "Talkpost starts; try \"?\" -> \"LiveUpdate\" for the demo update (version 1.0.0.1 -> 1.0.0.2)."
  status=0
  wine "$app/talkpost.exe" Remote01 || status=$?
  [ "$status" = 0 ] || fail "talkpost.exe ended with status $status"
  exit 0
fi

wine "$app/talkpost.exe" Remote01 </dev/null >"$demo/talkpost.log" 2>&1 &
talkpost_pid=$!
pids+=("$talkpost_pid")
shots="$root/build/screenshots"
rm -rf "$shots"
mkdir -p "$shots"
title='^Orvanta-Messanger$'
timeout "$window_seconds" xdotool search --sync --onlyvisible --name "$title" >/dev/null 2>&1 &
search=$!
ended=
wait -n -p ended "$search" "$talkpost_pid" || :
if [ "$ended" != "$search" ]; then
  kill "$search" 2>/dev/null || :
  fail "talkpost.exe ended before its window showed (log: $demo/talkpost.log)"
fi
[ -n "$(xdotool search --onlyvisible --name "$title" 2>/dev/null)" ] ||
  fail "the main window of talkpost.exe did not show within $window_seconds s"
# The window is complete when its banner picture has been fetched and what
# the screen shows of it no longer changes: the same in three captures in a
# row (each takes about a tenth of a second).
banner_fetched() { grep -q 'GET /TALKPOST/[^ ]*\.\(gif\|bmp\|jpg\)' "$demo/banner-server.log"; }
wait_for_files 30 "$demo" banner_fetched ||
  fail "talkpost.exe fetched no banner picture within 30 s (log: $demo/banner-server.log)"
previous=
same=0
for _ in $(seq 100); do
  current=$(import -display "$DISPLAY" -window root -depth 8 rgb:- | md5sum)
  if [ "$current" = "$previous" ]; then same=$((same + 1)); else same=0; fi
  [ "$same" -lt 2 ] || break
  previous=$current
done
import -display "$DISPLAY" -window root "$shots/demo.png"
echo "Talkpost runs under Xvfb on $DISPLAY; walking through LiveUpdate"
status=0
wine "$root/build/windows/demo_walk.exe" "$(winepath -w "$shots")" </dev/null || status=$?
for shot in "$shots"/*.bmp; do
  [ -f "$shot" ] || continue
  convert "$shot" "${shot%.bmp}.png" && rm -f "$shot"
done
echo "screenshots of each step in $shots"
[ "$status" = 0 ] || fail "the walk through LiveUpdate failed (status $status)"

# The main window at 100 %, 150 % and 200 %. Wine takes the screen's scale
# from the registry when a program starts; what was there before is put back
# at the end, also when the run stops early.
# Wine notes the scale its fonts were last set up for as well; both go back.
scale_keys=('HKCU\Control Panel\Desktop' 'HKCU\Software\Wine\Fonts')
previous_scales=()
for key in "${scale_keys[@]}"; do
  previous_scales+=("$({ wine reg query "$key" /v LogPixels 2>/dev/null || :; } | tr -d '\r' |
    sed -n 's/.*REG_DWORD[[:space:]]*0x\([0-9a-fA-F]*\).*/\1/p')")
done
restore_scale() {
  local i
  for i in "${!scale_keys[@]}"; do
    if [ -n "${previous_scales[$i]}" ]; then
      wine reg add "${scale_keys[$i]}" /v LogPixels /t REG_DWORD /d $((16#${previous_scales[$i]})) /f >/dev/null 2>&1 || :
    else
      wine reg delete "${scale_keys[$i]}" /v LogPixels /f >/dev/null 2>&1 || :
    fi
  done
}
trap 'restore_scale; cleanup' EXIT
banner_fetches() { grep -c 'GET /TALKPOST/[^ ]*\.\(gif\|bmp\|jpg\)' "$demo/banner-server.log" || :; }
more_banner_fetches() { [ "$(banner_fetches)" -gt "$1" ]; }
for scale in 100 150 200; do
  wine reg add "${scale_keys[0]}" /v LogPixels /t REG_DWORD /d $((scale * 96 / 100)) /f >/dev/null 2>&1 ||
    fail "the screen's scale $scale % could not be set in the Wine prefix"
  fetched=$(banner_fetches)
  wine "$app/talkpost.exe" Remote01 </dev/null >"$demo/talkpost-$scale.log" 2>&1 &
  scaled_pid=$!
  pids+=("$scaled_pid")
  window=$(timeout "$window_seconds" xdotool search --sync --onlyvisible --name "$title" 2>/dev/null | head -n 1) ||
    fail "the main window did not show at $scale % within $window_seconds s (log: $demo/talkpost-$scale.log)"
  wait_for_files 30 "$demo" more_banner_fetches "$fetched" ||
    fail "talkpost.exe fetched no banner picture at $scale % within 30 s (log: $demo/banner-server.log)"
  previous=
  same=0
  for _ in $(seq 100); do
    current=$(import -display "$DISPLAY" -window "$window" -depth 8 rgb:- | md5sum)
    if [ "$current" = "$previous" ]; then same=$((same + 1)); else same=0; fi
    [ "$same" -lt 2 ] || break
    previous=$current
  done
  import -display "$DISPLAY" -window "$window" "$shots/main-window-$scale.png"
  # Alt+F4 closes it as a person would (it saves its settings); a window that stays is ended.
  xdotool windowactivate --sync "$window" key --clearmodifiers alt+F4 2>/dev/null || :
  ends_within 20 "$scaled_pid" || kill "$scaled_pid" 2>/dev/null || :
  wait "$scaled_pid" 2>/dev/null || :
done
restore_scale
echo "the main window at 100 %, 150 % and 200 %: $shots/main-window-*.png"
