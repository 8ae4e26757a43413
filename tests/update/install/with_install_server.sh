#!/usr/bin/env bash
# Runs a test program under Wine beside our HTTP update server on 127.0.0.1
# (requiring this program's account) over a fresh folder that
# make_install_fixtures.py fills with the files to install and the control
# files that name them, each signed with update_tool.py. The test finds the
# folder and the port in its environment.
#   with_install_server.sh <emulator> <test program> [arguments]
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
binary=${TALKPOST_BINARY_DIR:?the build folder}
work=$(mktemp -d)
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/http"
python3 "$root/tools/update/serve_updates.py" --root "$work/http" --port-file "$work/http.port" \
  --user tpupdate --password 'Lv8#up42' --log "$work/http.log" &
server=$!
for _ in $(seq 100); do
  [ -f "$work/http.port" ] && break
  sleep 0.1
done
port=$(cat "$work/http.port")
python3 "$(dirname "$0")/make_install_fixtures.py" --root "$work/http" --base "http://127.0.0.1:$port" \
  --binary "$binary" --tool "$root/tools/update/update_tool.py"

export TALKPOST_INSTALL_SERVER_ROOT="$work/http"
export TALKPOST_INSTALL_SERVER_PORT="$port"
emulator=$1
shift
"$emulator" "$@"
