#!/usr/bin/env bash
# Serves a demo update on 127.0.0.1 for trying LiveUpdate out:
#   tools/update/serve-demo.sh PORT BUILD [FOLDER]
# FOLDER (default build/update-demo of this checkout) gets a release
# description (FOLDER/release: the newer build of Talkpost from BUILD,
# talkpost_next.exe, with a description, what's new, a license, a hidden
# read-me and an optional cabinet of sample computer lists for {APP}\data),
# which tools/update/publish turns into a signed update folder (FOLDER/site,
# with the repository's TEST key) in an empty folder. Debian's nginx serves it
# with this program's account, slowly enough to watch the download, until
# interrupted. Point the settings' UpdateServer at http://127.0.0.1:PORT.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
port=${1:?usage: serve-demo.sh PORT BUILD [FOLDER]}
build=$(cd "${2:?usage: serve-demo.sh PORT BUILD [FOLDER]}" && pwd)
folder=${3:-$root/build/update-demo}
mkdir -p "$folder"
folder=$(cd "$folder" && pwd)
release="$folder/release"
rm -rf "$release" "$folder/site"
mkdir -p "$release/lists/office" "$folder/site"

printf 'Talkpost 1.0.0.2\r\n\r\nRead me: this build came through LiveUpdate.\r\n' >"$release/readme.txt"
printf 'Remote01\r\nRemote02\r\nPrinter-Hall\r\n' >"$release/lists/office/first-floor.txt"
printf 'Lab-01\r\nLab-02\r\n' >"$release/lists/lab.txt"
printf 'Talkpost 1.0.0.2\r\n\r\n- LiveUpdate leads through the whole update.\r\n%s\r\n' \
  '- The about box shows the new version after the restart.' >"$release/whatsnew.txt"
printf 'Talkpost demo license\r\n\r\n%s\r\n' 'This demo update is for trying LiveUpdate out on your own machine.' \
  >"$release/eula.txt"
cat >"$release/release.ini" <<EOF
[release]
program = $build/talkpost_next.exe
description = Talkpost 1.0.0.2: LiveUpdate leads through the whole update.
whatsnew = whatsnew.txt
license = eula.txt

[file readme]
source = readme.txt
target = {APP}
description = Read me
hidden = yes

[file lists]
source = lists
target = {APP}\\data
description = Sample computer lists
compression = cab
name = data.cab
EOF
"$root/tools/update/publish" "$release/release.ini" --folder "$folder/site" --server "http://127.0.0.1:$port" \
  --key "$root/res/update_test_private_key.pem" --public-key "$root/res/update_test_public_key.pem"
exec "$root/tools/update/nginx/nginx-server.sh" "$folder/nginx" "$port" "$folder/site" 400000
