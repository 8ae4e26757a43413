#!/usr/bin/env bash
# Serves a demo update on 127.0.0.1 for trying LiveUpdate out:
#   tools/update/serve-demo.sh PORT BUILD [FOLDER]
# writes FOLDER/Updates (FOLDER defaults to build/update-demo of this
# checkout): a control file signed with the repository's TEST key, with a
# description, what's new, a license and three files: the newer build of
# Talkpost from BUILD (talkpost_next.exe, published as the application
# component "talkpost.exe_NEW", mandatory), a hidden read-me, and an optional
# cabinet of sample computer lists for {APP}\data. Serves FOLDER with this
# program's account, slowly enough to watch the download, until interrupted.
# Point the settings' UpdateServer at http://127.0.0.1:PORT.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
port=${1:?usage: serve-demo.sh PORT BUILD [FOLDER]}
build=${2:?usage: serve-demo.sh PORT BUILD [FOLDER]}
folder=${3:-$root/build/update-demo}
updates="$folder/Updates"
rm -rf "$updates"
mkdir -p "$updates"
base="http://127.0.0.1:$port/Updates"
tool() { python3 "$root/tools/update/update_tool.py" "$@"; }

cp "$build/talkpost_next.exe" "$updates/talkpost.exe_NEW"
printf 'Talkpost 1.0.0.2\r\n\r\nRead me: this build came through LiveUpdate.\r\n' >"$updates/readme.txt"
lists="$folder/lists"
mkdir -p "$lists/office"
printf 'Remote01\r\nRemote02\r\nPrinter-Hall\r\n' >"$lists/office/first-floor.txt"
printf 'Lab-01\r\nLab-02\r\n' >"$lists/lab.txt"
(cd "$lists" && gcab -c "$updates/data.cab" office/first-floor.txt lab.txt)
printf 'Talkpost 1.0.0.2\r\n\r\n- LiveUpdate leads through the whole update.\r\n- The about box shows the new version after the restart.\r\n' >"$updates/whatsnew.txt"
printf 'Talkpost demo license\r\n\r\nThis demo update is for trying LiveUpdate out on your own machine.\r\n' >"$updates/eula.txt"

entry() {  # entry <n> <file> <description> <lines...>
  local n=$1 file=$2 descr=$3
  shift 3
  printf '[file%s]\r\nurl=%s/%s\r\ndescr=%s\r\nsha256=%s\r\nfilesize=%s\r\n' "$n" "$base" "$file" "$descr" \
    "$(tool hash "$updates/$file" | awk '{print $1}')" "$(stat -c %s "$updates/$file")"
  local line
  for line in "$@"; do printf '%s\r\n' "$line"; done
}
{
  printf '[update]\r\ndescr=Talkpost 1.0.0.2: LiveUpdate leads through the whole update.\r\n'
  printf 'newversion=1.0.0.2\r\nlocalversion={APP}\\talkpost.exe\r\n'
  printf '[application]\r\nappupdate=1\r\nappname=talkpost.exe\r\nappcomps=talkpost.exe_NEW\r\n'
  printf '[whatsnew]\r\nfile=%s/whatsnew.txt\r\nsha256=%s\r\n[eula]\r\nfile=%s/eula.txt\r\nsha256=%s\r\n' \
    "$base" "$(sha256sum <"$updates/whatsnew.txt" | cut -d' ' -f1)" "$base" "$(sha256sum <"$updates/eula.txt" | cut -d' ' -f1)"
  printf '[files]\r\ncount=3\r\n'
  entry 1 talkpost.exe_NEW "Talkpost 1.0.0.2" mandatory=1
  entry 2 readme.txt "Read me" hidden=1 'targetdir={APP}'
  entry 3 data.cab "Sample computer lists" compressed=1 'targetdir={APP}\data'
} >"$updates/talkpost.inf"
tool sign "$updates/talkpost.inf"
exec python3 "$root/tools/update/serve_updates.py" --root "$folder" --port "$port" --user tpupdate \
  --password 'Lv8#up42' --rate 400000
