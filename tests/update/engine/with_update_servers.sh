#!/usr/bin/env bash
# Runs a test program under Wine beside two servers on 127.0.0.1 over a fresh
# folder: our HTTP update server (requiring this program's account) and an
# FTP server (Debian's pyftpdlib, run with /usr/bin/python3). The folder
# holds signed and damaged control files and a few files to fetch; the test
# finds the folder and the ports in its environment.
#   with_update_servers.sh <emulator> <test program> [arguments]
set -euo pipefail
source "$(dirname "$0")/../update_server_fixture.sh"

user=tpupdate
password='Lv8#up42'
mkdir -p "$work/http/Updates" "$work/http/bad" "$work/http/nosig" "$work/http/garbled" "$work/http/files" "$work/ftp/pub"

python3 "$root/tools/update/serve_updates.py" --root "$work/http" --port-file "$work/http.port" \
  --user "$user" --password "$password" --log "$work/http.log" &
servers+=($!)
# A second server on another port, without an account: a redirect must never bring the credentials here.
mkdir -p "$work/other"
python3 "$root/tools/update/serve_updates.py" --root "$work/other" --port-file "$work/other.port" \
  --log "$work/other.log" &
servers+=($!)
/usr/bin/python3 "$root/tools/update/serve_ftp.py" --root "$work/ftp" --port-file "$work/ftp.port" \
  --user "$user" --password "$password" --log "$work/ftp.log" &
servers+=($!)
wait_for_servers http other ftp
http_port=$(cat "$work/http.port")
base="http://127.0.0.1:$http_port"

sign() { python3 "$root/tools/update/update_tool.py" sign "$1"; }

printf '[update]\r\ndescr=Test update\r\ndate=24.12.2008\r\n[application]\r\nappupdate=1\r\nappname=My App.exe\r\nappparam=-a -b\r\nappcomps=talkpost.exe_NEW\r\n[whatsnew]\r\nfile=%s/Updates/whatsnew.txt\r\nsha256=%s\r\n[eula]\r\nfile=%s/Updates/missing.txt\r\n[files]\r\ncount=2\r\n[file1]\r\nurl=%s/files/big.bin\r\ndescr=Big\r\n' \
  "$base" "$(printf 'What is new\r\nline two\r\n' | sha256sum | cut -d' ' -f1)" "$base" "$base" >"$work/http/Updates/talkpost.inf"
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
# Publications with a serial and an expiry, and texts vouched for by their sha256.
for serial in 4 5; do
  mkdir -p "$work/http/serial$serial"
  printf '[update]\r\nserial=%s\r\ndescr=Serial %s\r\n' "$serial" "$serial" >"$work/http/serial$serial/talkpost.inf"
  sign "$work/http/serial$serial/talkpost.inf"
done
mkdir -p "$work/http/expired" "$work/http/texts"
printf '[update]\r\nserial=6\r\nexpires=01.01.2020 00:00\r\n' >"$work/http/expired/talkpost.inf"
sign "$work/http/expired/talkpost.inf"
printf 'What is new\r\n' >"$work/http/texts/whatsnew.txt"
printf 'The license as published\r\n' >"$work/http/texts/license.txt"
sha() { sha256sum "$1" | cut -d' ' -f1; }
printf '[update]\r\ndescr=Texts\r\n[whatsnew]\r\nfile=%s/texts/whatsnew.txt\r\nsha256=%s\r\n[eula]\r\nfile=%s/texts/license.txt\r\nsha256=%s\r\n' \
  "$base" "$(sha "$work/http/texts/whatsnew.txt")" "$base" "$(sha "$work/http/texts/license.txt")" >"$work/http/texts/talkpost.inf"
sign "$work/http/texts/talkpost.inf"
# An older program than the installed one (the test puts talkpost.exe at
# $work/installed.exe), found by size; once without and once with the
# publisher's leave to downgrade.
for allow in 0 1; do
  mkdir -p "$work/http/older$allow"
  printf '[update]\r\nnewversion=0.9.0.0\r\nnewsize=1\r\nlocalversion=%s\r\nallowdowngrade=%s\r\n' \
    "$(win "$work/installed.exe")" "$allow" >"$work/http/older$allow/talkpost.inf"
  sign "$work/http/older$allow/talkpost.inf"
done
# Altered on the server after publishing.
printf 'A license the publisher never wrote\r\n' >"$work/http/texts/license.txt"
printf 'tiny' >"$work/http/files/tiny.txt"
head -c 100000 /dev/urandom >"$work/ftp/pub/data.bin"

export TALKPOST_UPDATE_WORK="$work"
export TALKPOST_UPDATE_HTTP_PORT="$http_port"
export TALKPOST_UPDATE_FTP_PORT=$(cat "$work/ftp.port")
export TALKPOST_UPDATE_OTHER_PORT=$(cat "$work/other.port")
emulator=$1
shift
"$emulator" "$@"
