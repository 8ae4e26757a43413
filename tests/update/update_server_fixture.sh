# Sourced by the scripts that run a test program beside our HTTP update
# server: a fresh work folder removed at the end, and the server on 127.0.0.1
# over "$work/http", requiring this program's account, its requests logged to
# "$work/http.log". After start_update_server, $port holds its port.
# With TALKPOST_UPDATE_SERVER=nginx the server is Debian's nginx instead
# (tools/update/nginx), logging the requests the same way. A script that
# starts further servers of ours adds them to servers (stopped at the end)
# and waits for them with wait_for_servers.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/tools/scripts/waits.sh"
work=$(mktemp -d)
servers=()
nginx_prefix=
cleanup() {
  local pid
  for pid in "${servers[@]}"; do kill "$pid" 2>/dev/null || true; done
  [ -n "$nginx_prefix" ] && nginx_stop
  wait 2>/dev/null || true
  rm -rf "$work" ${nginx_prefix:+"$nginx_prefix"}
}
trap cleanup EXIT
mkdir -p "$work/http"
# Paths as the program sees them: the root of the Linux file system is drive Z:.
win() { printf 'Z:%s' "${1//\//\\}"; }
# How long a server may take to listen.
server_start_seconds=10

# Our servers write their port into "$work/<name>.port" once they listen.
ports_written() {
  local name
  for name in "$@"; do [ -s "$work/$name.port" ] || return 1; done
}

# Waits until the servers named (http, ftp, ...) listen; fails the test when
# one does not within server_start_seconds.
wait_for_servers() {
  wait_for_files "$server_start_seconds" "$work" ports_written "$@" && return 0
  echo "FAIL: a server of the test did not start (of $*)" >&2
  exit 1
}

start_update_server() {
  if [ "${TALKPOST_UPDATE_SERVER:-}" = nginx ]; then
    source "$root/tools/update/nginx/nginx-server.sh"
    nginx_prefix="${TALKPOST_BINARY_DIR:-$root/build}/nginx/$(basename "$work")"
    port=$(free_ports 1)
    nginx_prepare "$nginx_prefix"
    nginx_add_server "$port" "$work/http" "$work/http.log"
    nginx_start
    return
  fi
  python3 "$root/tools/update/serve_updates.py" --root "$work/http" --port-file "$work/http.port" \
    --user tpupdate --password 'Lv8#up42' --log "$work/http.log" &
  servers+=($!)
  wait_for_servers http
  port=$(cat "$work/http.port")
}
