#!/usr/bin/env bash
# Runs a command with the tests' own name server (name_server.py) as the only
# one the resolver asks: inside a mount namespace of its own, a resolv.conf
# naming 127.0.0.53 (time-out 1 s, one attempt, so a name that gets no answer
# costs a second) is bound over /etc/resolv.conf, for this command and
# everything it starts, Wine included. Only inside the tests' own network
# namespace (loopback only), as silent_hosts.sh.
#   with_name_server.sh <command...>
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if [ -z "${TALKPOST_NAME_SERVER_INSIDE:-}" ]; then
  links=$(ip -o link show | awk -F': ' '{print $2}' | sed 's/@.*//' | sort -u | tr '\n' ' ')
  if [ "$links" != "lo " ]; then
    echo "with_name_server.sh: not inside the tests' own network namespace (interfaces: $links)" >&2
    exit 1
  fi
  export TALKPOST_NAME_SERVER_INSIDE=1
  exec unshare -m --propagation private "$0" "$@"
fi
work=$(mktemp -d)
server=
finish() {
  [ -z "$server" ] || kill "$server" 2>/dev/null || :
  rm -rf "$work"
}
trap finish EXIT
printf 'nameserver 127.0.0.53\noptions timeout:1 attempts:1\n' >"$work/resolv.conf"
mount --bind "$work/resolv.conf" /etc/resolv.conf
/usr/bin/python3 "$here/name_server.py" 127.0.0.53 53 "$work/ready" &
server=$!
for _ in $(seq 100); do
  [ -s "$work/ready" ] && break
  kill -0 "$server" 2>/dev/null || { echo "with_name_server.sh: the name server did not start" >&2; exit 1; }
  sleep 0.1
done
[ -s "$work/ready" ] || { echo "with_name_server.sh: the name server did not come up" >&2; exit 1; }
export TALKPOST_NAME_SERVER=1
status=0
"$@" || status=$?
exit "$status"
