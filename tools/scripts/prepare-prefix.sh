#!/usr/bin/env bash
# Prepares the Wine prefix: creates it when missing, starts a persistent
# wineserver and installs the msg.exe and mstsc.exe stand-ins into the
# system folder. Argument: the folder holding the built stand-ins.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
standins=${1:?folder with msg.exe and mstsc.exe}
talkpost_ensure_display
trap talkpost_stop_display EXIT
talkpost_ensure_prefix
sys="$WINEPREFIX/drive_c/windows/system32"
for exe in msg.exe mstsc.exe; do
  install -m 0755 "$standins/$exe" "$sys/$exe"
done
echo "prefix $WINEPREFIX ready, stand-ins installed in $sys"
