#!/usr/bin/env bash
# The whole LiveUpdate as a person does it, on the real talkpost.exe under
# Wine: "?" -> "LiveUpdate" against the demo update served on 127.0.0.1, every
# page of the wizard, Restart; the updater helper replaces the program in its
# folder (a name with a blank) and starts it again, and the restarted
# program's about box shows the new version.
# Argument: the Windows build folder.
set -euo pipefail
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../../.." && pwd)
source "$root/tools/scripts/wine-env.sh"
talkpost_ensure_display
work=$(mktemp -d)
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null || true
  rm -rf "$work"
  talkpost_stop_display
}
trap cleanup EXIT

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
"$root/tools/update/serve-demo.sh" "$port" "$build" "$work/server" >"$work/server.log" 2>&1 &
server=$!
for _ in $(seq 100); do
  (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null && break
  sleep 0.1
done
app="$work/Talkpost App"
mkdir -p "$app" "$work/settings"
cp "$build/talkpost.exe" "$app/talkpost.exe"
printf '[Talkpost]\r\nUpdateServer=http://127.0.0.1:%s\r\n' "$port" >"$work/settings/Talkpost.ini"
export TALKPOST_SETTINGS_DIR=$(winepath -w "$work/settings" 2>/dev/null)

(cd "$work" && exec wine "$app/talkpost.exe" </dev/null >/dev/null 2>&1) &
output=$(wine "$build/demo_walk.exe" "$(winepath -w "$work/shots" 2>/dev/null)" </dev/null 2>&1 | tr -d '\r') || {
  echo "$output" >&2
  echo "FAIL: the walk through LiveUpdate stopped" >&2
  exit 1
}
echo "$output"
status=0
grep -q '^version after the update: 1.0 (Build: 0.2)$' <<<"$output" ||
  { echo "FAIL: the restarted program does not show the new version" >&2; status=1; }
cmp -s "$app/talkpost.exe" "$build/talkpost_next.exe" ||
  { echo "FAIL: talkpost.exe in its folder is not the new build" >&2; status=1; }
[ -f "$app/data/office/first-floor.txt" ] && [ -f "$app/data/lab.txt" ] ||
  { echo "FAIL: the cabinet of sample lists was not unpacked into {APP}\\data" >&2; status=1; }
[ -f "$app/readme.txt" ] || { echo "FAIL: the hidden read-me was not installed" >&2; status=1; }
ls "$app" | grep -q '_NEW$' && { echo "FAIL: a _NEW file was left beside the program" >&2; status=1; }
# The restarted program was closed by the walk; wait until it is gone.
for _ in $(seq 100); do
  pgrep -f 'Talkpost App.talkpost.exe' >/dev/null || break
  sleep 0.1
done
# The update's own folder went with the restarted program's start.
if [ -n "${WINEPREFIX:-}" ] && find "$WINEPREFIX/drive_c/users" -maxdepth 6 -type d -path '*/Temp/TPUPD-*' | grep -q .; then
  echo "FAIL: an update folder was left in the temporary folder" >&2
  status=1
fi
exit $status
