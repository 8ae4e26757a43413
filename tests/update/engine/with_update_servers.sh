#!/usr/bin/env bash
# Runs a test program under Wine beside two servers on 127.0.0.1 over a fresh
# folder: our HTTP update server (requiring this program's account) and an
# FTP server (Debian's pyftpdlib, run with /usr/bin/python3). The folder
# holds signed and damaged control files and a few files to fetch; the test
# finds the folder and the ports in its environment.
#   with_update_servers.sh <emulator> <test program> [arguments]
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

user=tpupdate
password='Lv8#up42'
mkdir -p "$work/http/Updates" "$work/http/bad" "$work/http/nosig" "$work/http/garbled" "$work/http/files" "$work/ftp/pub"

python3 "$root/tools/update/serve_updates.py" --root "$work/http" --port-file "$work/http.port" \
  --user "$user" --password "$password" --log "$work/http.log" &
pids+=($!)
/usr/bin/python3 "$root/tools/update/serve_ftp.py" --root "$work/ftp" --port-file "$work/ftp.port" \
  --user "$user" --password "$password" --log "$work/ftp.log" &
pids+=($!)
for _ in $(seq 100); do
  [ -f "$work/http.port" ] && [ -f "$work/ftp.port" ] && break
  sleep 0.1
done
http_port=$(cat "$work/http.port")
base="http://127.0.0.1:$http_port"

sign() { python3 "$root/tools/update/update_tool.py" sign "$1"; }

printf '[update]\r\ndescr=Test update\r\ndate=24.12.2008\r\n[application]\r\nappupdate=1\r\nappname=My App.exe\r\nappparam=-a -b\r\nappcomps=talkpost.exe_NEW\r\n[whatsnew]\r\nfile=%s/Updates/whatsnew.txt\r\n[eula]\r\nfile=%s/Updates/missing.txt\r\n[files]\r\ncount=2\r\n[file1]\r\nurl=%s/files/big.bin\r\ndescr=Big\r\n' \
  "$base" "$base" "$base" >"$work/http/Updates/talkpost.inf"
sign "$work/http/Updates/talkpost.inf"
printf 'What is new\r\nline two\r\n' >"$work/http/Updates/whatsnew.txt"
# Altered after signing: one byte differs from what the signature covers.
cp "$work/http/Updates/talkpost.inf" "$work/http/bad/talkpost.inf"
cp "$work/http/Updates/talkpost.inf.sig" "$work/http/bad/talkpost.inf.sig"
sed -i 's/appupdate=1/appupdate=0/' "$work/http/bad/talkpost.inf"
cp "$work/http/Updates/talkpost.inf" "$work/http/nosig/talkpost.inf"
cp "$work/http/Updates/talkpost.inf" "$work/http/garbled/talkpost.inf"
head -c 40 "$work/http/Updates/talkpost.inf.sig" >"$work/http/garbled/talkpost.inf.sig"
head -c 65536 /dev/urandom >"$work/http/files/big.bin"
printf 'tiny' >"$work/http/files/tiny.txt"
head -c 100000 /dev/urandom >"$work/ftp/pub/data.bin"

export TALKPOST_UPDATE_WORK="$work"
export TALKPOST_UPDATE_HTTP_PORT="$http_port"
export TALKPOST_UPDATE_FTP_PORT=$(cat "$work/ftp.port")
emulator=$1
shift
"$emulator" "$@"
