#!/usr/bin/env bash
# Serves a demo update server on 127.0.0.1 for trying LiveUpdate out:
#   tools/update/serve-demo.sh PORT [FOLDER]
# writes FOLDER/Updates/talkpost.inf (FOLDER defaults to build/update-demo of
# this checkout), signs it with the repository's TEST key, and serves FOLDER
# with this program's account until interrupted. Point the settings'
# UpdateServer at http://127.0.0.1:PORT.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
port=${1:?usage: serve-demo.sh PORT [FOLDER]}
folder=${2:-$root/build/update-demo}
mkdir -p "$folder/Updates"
printf '[update]\r\ndescr=Talkpost demo update\r\nunconditional=1\r\n[whatsnew]\r\nfile=http://127.0.0.1:%s/Updates/whatsnew.txt\r\n[files]\r\ncount=0\r\n' \
  "$port" >"$folder/Updates/talkpost.inf"
printf 'Talkpost demo update\r\n\r\nNothing new: this server only shows how updates are served.\r\n' >"$folder/Updates/whatsnew.txt"
python3 "$root/tools/update/update_tool.py" sign "$folder/Updates/talkpost.inf"
exec python3 "$root/tools/update/serve_updates.py" --root "$folder" --port "$port" --user tpupdate --password 'Lv8#up42'
