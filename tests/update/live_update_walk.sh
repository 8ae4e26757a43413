# Sourced (after tests/support/wine_script.sh) by the scripts that walk the
# real talkpost.exe through the whole LiveUpdate, as a person does it.
#
# walk_live_update <update server address>
#   Copies the build's talkpost.exe into "$work/Talkpost App" (app), points a
#   fresh settings folder at the server and starts the program; demo_walk.exe
#   then takes "?" -> "LiveUpdate" through every page to Restart and closes
#   the restarted program (screenshots in $work/shots, its output in
#   walk_output). Checks that the restarted program shows the new version and
#   that the program in its folder is the new build, and waits until the
#   restarted program has ended. Returns 1 (having said FAIL) when anything of
#   that is not so.
# How long the restarted program may take to end once the walk has closed it.
restarted_exit_seconds=10

walk_live_update() {
  local address=$1 result=0 pid
  app="$work/Talkpost App"
  mkdir -p "$app" "$work/settings"
  cp "$build/talkpost.exe" "$app/talkpost.exe"
  printf '[Talkpost]\r\nUpdateServer=%s\r\n' "$address" >"$work/settings/Talkpost.ini"
  export TALKPOST_SETTINGS_DIR
  TALKPOST_SETTINGS_DIR=$(winepath -w "$work/settings" 2>/dev/null)
  (cd "$work" && exec wine "$app/talkpost.exe" </dev/null >/dev/null 2>&1) &
  walk_output=$(wine "$build/demo_walk.exe" "$(winepath -w "$work/shots" 2>/dev/null)" </dev/null 2>&1 | tr -d '\r') ||
    { echo "$walk_output" >&2; echo "FAIL: the walk through LiveUpdate from $address stopped" >&2; result=1; }
  echo "$walk_output"
  grep -q '^version after the update: 1.0 (Build: 0.2)$' <<<"$walk_output" ||
    { echo "FAIL: the restarted program does not show the new version" >&2; result=1; }
  cmp -s "$app/talkpost.exe" "$build/talkpost_next.exe" ||
    { echo "FAIL: talkpost.exe in its folder is not the new build" >&2; result=1; }
  # The walk closed the restarted program (not a child of this script).
  for pid in $(pgrep -f "$(basename "$work").Talkpost App.talkpost.exe"); do
    wait_for_exit "$restarted_exit_seconds" "$pid" ||
      { echo "FAIL: the restarted program did not end when the walk closed it" >&2; result=1; }
  done
  return $result
}
