# Sourced by the scripts that run a test program beside our HTTP update
# server: a fresh work folder removed at the end, and the server on 127.0.0.1
# over "$work/http", requiring this program's account, its requests logged to
# "$work/http.log". After start_update_server, $port holds its port.
# With TALKPOST_UPDATE_SERVER=nginx the server is Debian's nginx instead
# (tools/update/nginx), logging the requests the same way.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d)
server=
nginx_prefix=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null || true
  [ -n "$nginx_prefix" ] && nginx_stop
  wait 2>/dev/null || true
  rm -rf "$work" ${nginx_prefix:+"$nginx_prefix"}
}
trap cleanup EXIT
mkdir -p "$work/http"

start_update_server() {
  if [ "${TALKPOST_UPDATE_SERVER:-}" = nginx ]; then
    source "$root/tools/update/nginx/nginx-server.sh"
    nginx_prefix="${TALKPOST_BINARY_DIR:-$root/build}/nginx/$(basename "$work")"
    port=$(nginx_free_ports 1)
    nginx_prepare "$nginx_prefix"
    nginx_add_server "$port" "$work/http" "$work/http.log"
    nginx_start
    return
  fi
  python3 "$root/tools/update/serve_updates.py" --root "$work/http" --port-file "$work/http.port" \
    --user tpupdate --password 'Lv8#up42' --log "$work/http.log" &
  server=$!
  for _ in $(seq 100); do
    [ -f "$work/http.port" ] && break
    sleep 0.1
  done
  port=$(cat "$work/http.port")
}
