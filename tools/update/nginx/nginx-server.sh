#!/usr/bin/env bash
# Debian's nginx as the update server of the tests and the demo, from the
# configuration beside this script: an ordinary process on 127.0.0.1 with a
# prefix folder of its own, HTTP Basic authentication with this program's
# account (src/update/engine/engine_settings.h), stopped again by the script
# that started it.
#
# Sourced:
#   nginx_prepare <prefix>                       fresh prefix folder, account, main configuration
#   nginx_add_server <port> <root> <access log> [<certificate> <key>] [<bytes a second>]
#   nginx_start                                  starts it, waits until it listens on every port; NGINX_PID
#   nginx_stop                                   stops it (also from an EXIT trap)
# (free_ports of tools/scripts/waits.sh, sourced with it, finds ports to serve on.)
# Run:
#   nginx-server.sh <prefix> <port> <root> [<bytes a second>]
#       serves <root> over HTTP in the foreground until interrupted.
NGINX_CONF_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
NGINX_ROOT_DIR=$(cd "$NGINX_CONF_DIR/../../.." && pwd)
NGINX_PID=
NGINX_PREFIX=
NGINX_PORTS=()
# Debian puts nginx into /usr/sbin, which is not on every user's PATH.
NGINX_BIN=$(command -v nginx || echo /usr/sbin/nginx)
# How long a start may take before it counts as failed.
NGINX_START_SECONDS=10
source "$NGINX_ROOT_DIR/tools/scripts/waits.sh"

# This program's account, as the program itself carries it.
nginx_account() {
  sed -n "s/.*$1 = \"\\(.*\\)\";/\\1/p" "$NGINX_ROOT_DIR/src/update/engine/engine_settings.h"
}

nginx_prepare() {
  NGINX_PREFIX=$1
  NGINX_PORTS=()
  # Only a prefix folder of ours is cleared: a folder named by mistake stays as it is.
  if [ -n "$(ls -A "$NGINX_PREFIX" 2>/dev/null)" ] && [ ! -f "$NGINX_PREFIX/conf/nginx.conf" ]; then
    echo "nginx-server: $NGINX_PREFIX is not empty and no prefix folder of nginx-server.sh" >&2
    return 1
  fi
  rm -rf "$NGINX_PREFIX"
  mkdir -p "$NGINX_PREFIX/conf/servers" "$NGINX_PREFIX/logs" "$NGINX_PREFIX/temp"
  cp "$NGINX_CONF_DIR/nginx.conf" "$NGINX_PREFIX/conf/nginx.conf"
  local user password
  user=$(nginx_account kUpdateUserID)
  password=$(nginx_account kUpdatePassword)
  [ -n "$user" ] && [ -n "$password" ] || { echo "nginx-server: no account in engine_settings.h" >&2; return 1; }
  printf '%s:%s\n' "$user" "$(openssl passwd -5 "$password")" >"$NGINX_PREFIX/conf/htpasswd"
}

# The paths stand in double quotes in the configuration; a path with a
# character that would end them, start a variable or an escape is refused.
nginx_plain_path() {
  case $1 in
    *[\"\$\\\|\&]*) echo "nginx-server: cannot serve a path holding \" \$ \\ | or &: $1" >&2; return 1 ;;
  esac
}

nginx_add_server() {
  local port=$1 root=$2 log=$3 certificate=${4:-} key=${5:-} rate=${6:-0}
  local ssl='' lines='' scheme=http
  nginx_plain_path "$root" && nginx_plain_path "$log" || return 1
  if [ -n "$certificate" ]; then
    nginx_plain_path "$certificate" && nginx_plain_path "$key" || return 1
    ssl=' ssl'
    scheme=https
    lines="ssl_certificate \"$certificate\"; ssl_certificate_key \"$key\"; ssl_protocols TLSv1.2 TLSv1.3;"
  fi
  sed -e "s|@PORT@|$port|g" -e "s|@SSL@|$ssl|" -e "s|@CERTIFICATE@|$lines|" -e "s|@ROOT@|$root|g" \
    -e "s|@ACCESS_LOG@|$log|" -e "s|@RATE@|$rate|" -e "s|@SCHEME@|$scheme|" \
    "$NGINX_CONF_DIR/update-server.conf" >"$NGINX_PREFIX/conf/servers/$port.conf"
  NGINX_PORTS+=("$port")
}

# nginx writes its pid file after it has opened every listening socket; an
# nginx that fails writes its error log beside it and ends.
nginx_started() {
  [ -s "$NGINX_PREFIX/logs/nginx.pid" ] || ! kill -0 "$NGINX_PID" 2>/dev/null
}

nginx_start() {
  "$NGINX_BIN" -p "$NGINX_PREFIX/" -c "$NGINX_PREFIX/conf/nginx.conf" -e "$NGINX_PREFIX/logs/error.log" \
    </dev/null >>"$NGINX_PREFIX/logs/output.log" 2>&1 &
  NGINX_PID=$!
  wait_for_files "$NGINX_START_SECONDS" "$NGINX_PREFIX/logs" nginx_started || :
  local port
  for port in "${NGINX_PORTS[@]}"; do
    kill -0 "$NGINX_PID" 2>/dev/null && (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && continue
    echo "nginx-server: nginx does not listen on 127.0.0.1:$port" >&2
    cat "$NGINX_PREFIX/logs/output.log" "$NGINX_PREFIX/logs/error.log" >&2 2>/dev/null
    nginx_stop
    return 1
  done
}

nginx_stop() {
  if [ -n "$NGINX_PID" ]; then
    kill "$NGINX_PID" 2>/dev/null || true
    wait "$NGINX_PID" 2>/dev/null || true
    NGINX_PID=
  fi
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  [ $# -ge 3 ] || { echo "usage: nginx-server.sh <prefix> <port> <root> [<bytes a second>]" >&2; exit 2; }
  nginx_prepare "$1"
  nginx_add_server "$2" "$(cd "$3" && pwd)" "$NGINX_PREFIX/logs/access.log" '' '' "${4:-0}"
  trap nginx_stop EXIT
  trap 'exit 130' INT TERM
  nginx_start
  echo "serving $3 on http://127.0.0.1:$2"
  wait "$NGINX_PID"
fi
