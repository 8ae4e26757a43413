#!/usr/bin/env bash
# Test fixture: a Samba Active Directory domain controller of our own, on
# 127.0.0.1 inside the tests' network namespace, for the directory tests and
# the benchmark. It runs the command given while the server answers and stops
# the server after, whatever the command's result:
#   [TALKPOST_DC_NAME=<name>] [TALKPOST_DC_COMPUTERS=<count>] with_samba_dc.sh <command...>|--prepare
# <name> (default "small") names the domain's folder under the build tree
# ($TALKPOST_BINARY_DIR/directory/<name>); <count> (default 60) how many
# computer accounts it holds (see fill_directory.py for how they are spread
# and which are disabled). The provisioned empty domain is kept as a packed template and
# each filled domain as a packed folder beside it, so only the first run pays
# for provisioning and filling; every run starts from a fresh copy.
# The command sees TALKPOST_DC_SERVER, TALKPOST_DC_BASE, TALKPOST_DC_USER,
# TALKPOST_DC_PASSWORD, TALKPOST_DC_COMPUTERS and TALKPOST_DC_FOLDER.
set -euo pipefail
name=${TALKPOST_DC_NAME:-small}
computers=${TALKPOST_DC_COMPUTERS:-60}
case "$name$computers" in *[!A-Za-z0-9_-]*) echo "with_samba_dc.sh: a domain's name and count are letters and digits" >&2; exit 2 ;; esac
here=$(cd "$(dirname "$0")" && pwd)
binary=${TALKPOST_BINARY_DIR:?TALKPOST_BINARY_DIR names the build tree}
links=$(ip -o link show | awk -F': ' '{print $2}' | sed 's/@.*//' | sort -u | tr '\n' ' ')
if [ "$links" != "lo " ]; then
  echo "with_samba_dc.sh: not inside the tests' own network namespace (interfaces: $links); run the tests as" >&2
  echo "scripts/test.sh does (unshare -n): the server and Wine's server must share a namespace with only lo" >&2
  exit 1
fi
for tool in samba samba-tool ldapsearch ntlm_auth; do
  command -v "$tool" >/dev/null || { echo "with_samba_dc.sh: $tool is missing (scripts/setup.sh installs samba, ldb-tools, ldap-utils and winbind)" >&2; exit 1; }
done

realm=TALKPOST.TEST
base=DC=talkpost,DC=test
user=Administrator
password='Talk-post-1'
root=$binary/directory
mkdir -p "$root"
# No sync to disk: the folder is a scratch copy, and a provisioning that
# syncs each of its many transactions takes minutes on a busy disk.
export TDB_NO_FSYNC=1

version=$(samba --version | tr -c 'A-Za-z0-9.\n' '_')
template=$root/template-$version.tar.gz
filled=$root/$name-$computers-$version.tar.gz

# Packs <folder> into <archive> under the folder's own name, in one step.
pack() { tar -C "$root" -czf "$2.part" "$(basename "$1")" && mv -f "$2.part" "$2"; }
# Unpacks an archive made from <from> as the folder <to>, with its settings
# file pointed at the new place (wherever the folder was made).
unpack() {
  local archive=$1 from=$2 to=$3 made
  rm -rf "$root/$to" "$root/.unpack"
  mkdir -p "$root/.unpack"
  tar -C "$root/.unpack" -xzf "$archive"
  mv "$root/.unpack/$from" "$root/$to"
  rm -rf "$root/.unpack"
  made=$(sed -n 's#^\s*private dir = \(.*\)/private\s*$#\1#p' "$root/$to/etc/smb.conf")
  [ -n "$made" ] || { echo "with_samba_dc.sh: $archive holds no domain's settings" >&2; exit 1; }
  sed -i "s#$made\b#$root/$to#g" "$root/$to/etc/smb.conf"
}

if [ ! -f "$template" ]; then
  echo "with_samba_dc.sh: provisioning the domain $realm (once; kept in $template)" >&2
  rm -rf "$root/template"
  samba-tool domain provision --targetdir="$root/template" --use-rfc2307 --realm=$realm --domain=TALKPOST \
    --server-role=dc --dns-backend=NONE --host-name=talkpostdc --adminpass="$password" \
    --option="interfaces=lo" --option="bind interfaces only=yes" >"$root/template.log" 2>&1 \
    || { cat "$root/template.log" >&2; exit 1; }
  conf=$root/template/etc/smb.conf
  # samba-tool drops some options: set them here. Only the directory server
  # runs; its log and pid files stay in the folder. A simple bind on plain
  # LDAP is let in so that the benchmark's ldapsearch needs no SASL modules
  # (Talkpost still signs and seals through Negotiate).
  sed -i -e '/^\s*\(interfaces\|bind interfaces only\|log file\|logging\|server services\|pid directory\)\s*=/d' "$conf"
  sed -i "/^\[global\]/a\\
\tinterfaces = lo\\
\tbind interfaces only = yes\\
\tserver services = ldap\\
\tlog file = $root/template/log.samba\\
\tpid directory = $root/template/run\\
\tlog level = 1\\
\tldap server require strong auth = no" "$conf"
  pack "$root/template" "$template"
  rm -rf "$root/template"
fi

if [ ! -f "$filled" ]; then
  echo "with_samba_dc.sh: filling $name with $computers computers (once; kept in $filled)" >&2
  unpack "$template" template "$name"
  /usr/bin/python3 "$here/fill_directory.py" "$root/$name/etc/smb.conf" "$computers"
  pack "$root/$name" "$filled"
fi
# --prepare: only make the packed domain (the tests' fixture does it first,
# under a time limit of its own).
[ "${1:-}" = --prepare ] && exit 0
unpack "$filled" "$name" "$name"
folder=$root/$name
mkdir -p "$folder/run"

samba -i -M single -s "$folder/etc/smb.conf" >"$folder/samba.out" 2>&1 &
samba_pid=$!
stop() {
  kill "$samba_pid" 2>/dev/null || true
  wait "$samba_pid" 2>/dev/null || true
}
trap stop EXIT
# Ready when the directory answers an anonymous read of its root entry.
for _ in $(seq 1 300); do
  if ldapsearch -x -LLL -o nettimeout=2 -H ldap://127.0.0.1 -s base -b "" defaultNamingContext >/dev/null 2>&1; then
    ready=1
    break
  fi
  kill -0 "$samba_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "${ready:-}" ]; then
  echo "with_samba_dc.sh: the directory server did not come up; its output:" >&2
  tail -50 "$folder/samba.out" >&2
  exit 1
fi

export TALKPOST_DC_SERVER=127.0.0.1 TALKPOST_DC_BASE=$base TALKPOST_DC_USER=$user TALKPOST_DC_PASSWORD=$password
export TALKPOST_DC_COMPUTERS=$computers TALKPOST_DC_FOLDER=$folder
set +e
"$@"
result=$?
set -e
exit $result
