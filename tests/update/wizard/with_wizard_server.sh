#!/usr/bin/env bash
# Runs a test program under Wine beside our HTTP update server on 127.0.0.1,
# serving one signed update per wizard case, each under a base address of its
# own (http://127.0.0.1:<port>/<case>). Files are installed into folders below
# the work folder, which the test finds in its environment.
#   with_wizard_server.sh <emulator> <test program> [arguments]
set -euo pipefail
source "$(dirname "$0")/../update_server_fixture.sh"
mkdir -p "$work/http/files" "$work/target"
start_update_server
base="http://127.0.0.1:$port"
target=$(win "$work/target")
tool() { python3 "$root/tools/update/update_tool.py" "$@"; }

# Three files to fetch, each with its sha256 from the publisher's tool.
printf 'program bytes\r\n' >"$work/http/files/program.dat"
printf 'help text\r\n' >"$work/http/files/help.txt"
printf 'sample data\r\n' >"$work/http/files/data.txt"
printf 'bytes the publisher never signed\r\n' >"$work/http/files/forged.dat"
sha() { tool hash "$work/http/files/$1" | awk '{print $1}'; }
entry() {  # entry <n> <file> <description> <extra lines...>
  local n=$1 file=$2 descr=$3
  shift 3
  printf '[file%s]\r\nurl=%s/files/%s\r\ndescr=%s\r\ntargetdir=%s\r\nsha256=%s\r\nfilesize=%s\r\n' \
    "$n" "$base" "$file" "$descr" "$target" "$(sha "$file")" "$(stat -c %s "$work/http/files/$file")"
  local line
  for line in "$@"; do printf '%s\r\n' "$line"; done
}
publish() {  # publish <case> < control file text
  mkdir -p "$work/http/$1/Updates"
  cat >"$work/http/$1/Updates/talkpost.inf"
  tool sign "$work/http/$1/Updates/talkpost.inf"
}
printf 'Version 1.0.0.2\r\n- every message reports whether it arrived\r\n' >"$work/http/files/whatsnew.txt"
printf 'License\r\nUse it on your own network.\r\n' >"$work/http/files/eula.txt"

printf '[update]\r\ndescr=Nothing new\r\n' | publish nothing
{ printf '[update]\r\ndescr=Dated\r\ndate=24.12.2030\r\ntime=14:30\r\nlocalversion=%s\r\n' "$(win "$work/http/files/help.txt")"
  printf '[files]\r\ncount=1\r\n'; entry 1 help.txt Help; } | publish dated
{ printf '[update]\r\ndescr=Dated\r\ndate=24.12.2030\r\nlocalversion=%s\r\n' "$(win "$work/http/files/help.txt")"
  printf '[files]\r\ncount=1\r\n'; entry 1 help.txt Help; } | publish midnight
{ printf '[update]\r\ndescr=With documents\r\nunconditional=1\r\n'
  printf '[whatsnew]\r\nfile=%s/files/whatsnew.txt\r\nsha256=%s\r\n[eula]\r\nfile=%s/files/eula.txt\r\nsha256=%s\r\n' \
    "$base" "$(sha256sum <"$work/http/files/whatsnew.txt" | cut -d' ' -f1)" \
    "$base" "$(sha256sum <"$work/http/files/eula.txt" | cut -d' ' -f1)"
  printf '[files]\r\ncount=3\r\n'
  entry 1 program.dat Program mandatory=1
  entry 2 help.txt Help
  entry 3 data.txt Data hidden=1; } | publish documents
{ printf '[update]\r\ndescr=Only hidden files\r\nunconditional=1\r\n[files]\r\ncount=1\r\n'
  entry 1 data.txt Data hidden=1; } | publish hidden
{ printf '[update]\r\ndescr=Hidden after news\r\nunconditional=1\r\n[whatsnew]\r\nfile=%s/files/whatsnew.txt\r\nsha256=%s\r\n' "$base" \
    "$(sha256sum <"$work/http/files/whatsnew.txt" | cut -d' ' -f1)"
  printf '[files]\r\ncount=1\r\n'; entry 1 data.txt Data hidden=1; } | publish hiddennews
{ printf '[update]\r\ndescr=Choices\r\nunconditional=1\r\n[files]\r\ncount=2\r\n'
  entry 1 help.txt Help
  entry 2 data.txt Data; } | publish choices
{ printf '[update]\r\ndescr=Slow\r\nunconditional=1\r\n[files]\r\ncount=1\r\n'
  printf '[file1]\r\nurl=%s/endless/slow.dat\r\ndescr=Slow\r\ntargetdir=%s\r\nsha256=%064d\r\n' "$base" "$target" 0; } | publish slow
{ printf '[update]\r\ndescr=Forged\r\nunconditional=1\r\n[files]\r\ncount=1\r\n'
  printf '[file1]\r\nurl=%s/files/forged.dat\r\ndescr=Forged\r\ntargetdir=%s\r\nsha256=%s\r\n' \
    "$base" "$target" "$(sha program.dat)"; } | publish forged
# A control file changed after it was signed.
printf '[update]\r\ndescr=Tampered\r\nunconditional=1\r\n' | publish tampered
sed -i 's/Tampered/Tempered/' "$work/http/tampered/Updates/talkpost.inf"

export TALKPOST_UPDATE_WORK="$work"
export TALKPOST_UPDATE_BASE="$base"
emulator=$1
shift
"$emulator" "$@"
