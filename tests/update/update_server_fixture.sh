# Sourced by the scripts that run a test program beside our HTTP update
# server: a fresh work folder removed at the end, and the server on 127.0.0.1
# over "$work/http", requiring this program's account, its requests logged to
# "$work/http.log". After start_update_server, $port holds its port.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d)
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/http"

start_update_server() {
  python3 "$root/tools/update/serve_updates.py" --root "$work/http" --port-file "$work/http.port" \
    --user tpupdate --password 'Lv8#up42' --log "$work/http.log" &
  server=$!
  for _ in $(seq 100); do
    [ -f "$work/http.port" ] && break
    sleep 0.1
  done
  port=$(cat "$work/http.port")
}
