#!/usr/bin/env bash
# The whole LiveUpdate as a person does it, on the real talkpost.exe under
# Wine: "?" -> "LiveUpdate" against the demo update served on 127.0.0.1, every
# page of the wizard, Restart; the updater helper replaces the program in its
# folder (a name with a blank) and starts it again, and the restarted
# program's about box shows the new version.
# Argument: the Windows build folder.
source "$(dirname "$0")/../../support/wine_script.sh" "$1"
source "$root/tests/update/live_update_walk.sh"
server=
on_test_exit() {
  [ -z "$server" ] || kill "$server" 2>/dev/null || :
  [ -z "$server" ] || wait "$server" 2>/dev/null || :
}

port=$(free_ports 1)
"$root/tools/update/serve-demo.sh" "$port" "$build" "$work/server" >"$work/server.log" 2>&1 &
server=$!
# It says "serving ..." once nginx listens; it ends when it cannot.
demo_server_up() { grep -q '^serving ' "$work/server.log" || ! kill -0 "$server" 2>/dev/null; }
wait_for_files 60 "$work" demo_server_up || :
grep -q '^serving ' "$work/server.log" || { cat "$work/server.log" >&2; echo "FAIL: the demo update server did not start" >&2; exit 1; }

status=0
walk_live_update "http://127.0.0.1:$port" || status=1
[ -f "$app/data/office/first-floor.txt" ] && [ -f "$app/data/lab.txt" ] ||
  { echo "FAIL: the cabinet of sample lists was not unpacked into {APP}\\data" >&2; status=1; }
[ -f "$app/readme.txt" ] || { echo "FAIL: the hidden read-me was not installed" >&2; status=1; }
ls "$app" | grep -q '_NEW$' && { echo "FAIL: a _NEW file was left beside the program" >&2; status=1; }
# The update's own folder, the helper in it, goes once the helper has ended:
# the restarted program removes it then.
update_folder_left() { find "$WINEPREFIX/drive_c/users" -maxdepth 6 -path '*/Temp/TPUPD-*' -o -path '*/Temp/updsetup*' | grep -q .; }
if [ -n "${WINEPREFIX:-}" ]; then
  temp_folder=$(find "$WINEPREFIX/drive_c/users" -maxdepth 6 -type d -path '*/Temp' | head -n 1)
  [ -z "$temp_folder" ] || wait_for_files 30 "$temp_folder" eval '! update_folder_left' || :
fi
if [ -n "${WINEPREFIX:-}" ] && update_folder_left; then
  echo "FAIL: an update folder was left in the temporary folder" >&2
  status=1
fi
exit $status
