#!/usr/bin/env bash
# LiveUpdate over HTTPS from Debian's nginx on 127.0.0.1, end to end under Wine.
# Makes a test certificate authority and the server certificates with openssl
# (nothing of them is kept), has only this Wine prefix trust the authority (in
# the local machine's Root store, removed again at the end), publishes a
# release with tools/update/publish into an empty folder and serves it from one
# nginx on four ports: a good certificate for 127.0.0.1, one for another host
# name, an expired one, and one from an authority nobody trusts. Then:
#   - the test program (the update check against each port), then
#   - the real talkpost.exe walked through LiveUpdate over the good port by
#     demo_walk.exe, to the restart in the new version.
#   with_https_servers.sh <emulator> <test program>
source "$(dirname "$0")/../../support/wine_script.sh" "${TALKPOST_BINARY_DIR:?the build folder}"
source "$root/tests/update/live_update_walk.sh"
source "$root/tools/update/nginx/nginx-server.sh"
prefix="$build/nginx/$(basename "$work")"
trusted=
on_test_exit() {
  nginx_stop
  [ -n "$trusted" ] && wine "$build/trust_root.exe" remove "$trusted" </dev/null >/dev/null 2>&1
  rm -rf "$prefix"
}
win() { winepath -w "$1" 2>/dev/null; }

# --- certificates -------------------------------------------------------------
certs="$work/certs"
mkdir -p "$certs"
cat >"$certs/ca.cnf" <<'EOF'
[ca]
default_ca = test
[test]
database = $ENV::CA_DIR/index.txt
new_certs_dir = $ENV::CA_DIR
serial = $ENV::CA_DIR/serial
default_md = sha256
policy = any
unique_subject = no
email_in_dn = no
[any]
commonName = supplied
[server]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = $ENV::SAN
EOF
authority() {  # authority <name>
  mkdir -p "$certs/$1"
  : >"$certs/$1/index.txt"
  echo 01 >"$certs/$1/serial"
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$certs/$1/ca.key" -out "$certs/$1/ca.pem" -days 3 \
    -subj "/CN=Talkpost test authority $1" -addext 'basicConstraints=critical,CA:TRUE' \
    -addext 'keyUsage=critical,keyCertSign,cRLSign' 2>/dev/null
}
server_certificate() {  # server_certificate <name> <authority> <host> <names> <from> <until>
  openssl req -new -newkey rsa:2048 -nodes -keyout "$certs/$1.key" -out "$certs/$1.csr" -subj "/CN=$3" 2>/dev/null
  CA_DIR="$certs/$2" SAN=$4 openssl ca -batch -config "$certs/ca.cnf" -cert "$certs/$2/ca.pem" \
    -keyfile "$certs/$2/ca.key" -in "$certs/$1.csr" -out "$certs/$1.pem" -extensions server -notext \
    -startdate "$5" -enddate "$6" 2>>"$certs/openssl.log" || { cat "$certs/openssl.log" >&2; return 1; }
}
stamp() { date -u -d "$1" +%Y%m%d%H%M%SZ; }
authority trusted
authority stranger
here=DNS:127.0.0.1,IP:127.0.0.1
server_certificate good trusted 127.0.0.1 "$here" "$(stamp '-1 day')" "$(stamp '+2 days')"
server_certificate wronghost trusted update.talkpost.invalid DNS:update.talkpost.invalid "$(stamp '-1 day')" \
  "$(stamp '+2 days')"
server_certificate expired trusted 127.0.0.1 "$here" 20200101000000Z 20210101000000Z
server_certificate untrusted stranger 127.0.0.1 "$here" "$(stamp '-1 day')" "$(stamp '+2 days')"

# --- nginx ----------------------------------------------------------------------
mkdir -p "$work/site" "$work/logs"
nginx_prepare "$prefix"
declare -A ports
free=($(free_ports 4))
for name in good wronghost expired untrusted; do
  ports[$name]=${free[0]}
  free=("${free[@]:1}")
  nginx_add_server "${ports[$name]}" "$work/site" "$work/logs/$name.log" "$certs/$name.pem" "$certs/$name.key"
  export "TALKPOST_HTTPS_PORT_$name=${ports[$name]}"
done
nginx_start
export TALKPOST_HTTPS_LOGS="$work/logs"
base="https://127.0.0.1:${ports[good]}"

# --- the release --------------------------------------------------------------
release="$work/release"
mkdir -p "$release"
printf 'Talkpost over HTTPS\r\n- the update came over a certificate this prefix trusts\r\n' >"$release/whatsnew.txt"
printf 'License\r\nUse it on your own network.\r\n' >"$release/eula.txt"
printf 'Notes of this release, packed by our SZDD compressor.\r\n' >"$release/notes.txt"
printf 'Read me\r\n' >"$release/readme.txt"
cat >"$release/release.ini" <<EOF
[release]
program = $build/talkpost_next.exe
description = Talkpost over HTTPS
whatsnew = whatsnew.txt
license = eula.txt
[file notes]
source = notes.txt
description = Release notes
compression = szdd
[file readme]
source = readme.txt
target = {APP}\\docs
description = Read me
hidden = yes
EOF
"$root/tools/update/publish" "$release/release.ini" --folder "$work/site" --server "$base" --szdd "$build/host/szdd" \
  --key "$root/res/update_test_private_key.pem" --public-key "$root/res/update_test_public_key.pem" >/dev/null

status=0
# The control file is never cached and never answered "not modified".
account="$(nginx_account kUpdateUserID):$(nginx_account kUpdatePassword)"
headers=$(curl -sS -D - -o /dev/null --cacert "$certs/trusted/ca.pem" -u "$account" \
  -H "If-Modified-Since: $(LC_ALL=C date -u -r "$work/site/Updates/talkpost.inf" '+%a, %d %b %Y %H:%M:%S GMT')" \
  "$base/Updates/talkpost.inf" | tr -d '\r')
grep -q '^HTTP/[0-9.]* 200' <<<"$headers" && grep -qi '^cache-control: no-store' <<<"$headers" ||
  { echo "$headers" >&2; echo "FAIL: the control file is served for caching or as not modified" >&2; status=1; }
: >"$work/logs/good.log"

trusted=$(win "$certs/trusted/ca.pem")
wine "$build/trust_root.exe" add "$trusted" </dev/null

emulator=$1
shift
"$emulator" "$@" || status=1

# --- the whole LiveUpdate over HTTPS, from the menu to the restart ------------
: >"$work/logs/good.log"
walk_live_update "$base" || status=1
cmp -s "$app/notes.txt" "$release/notes.txt" ||
  { echo "FAIL: the SZDD file was not expanded into {APP}" >&2; status=1; }
cmp -s "$app/docs/readme.txt" "$release/readme.txt" ||
  { echo "FAIL: the hidden read-me is not in {APP}\\docs" >&2; status=1; }
for file in talkpost.inf talkpost.inf.sig whatsnew.txt eula.txt talkpost.exe_NEW notes.tx_ readme.txt; do
  grep -q "^/Updates/$file Basic " "$work/logs/good.log" ||
    { echo "FAIL: $file was not fetched over HTTPS with the account" >&2; status=1; }
done
exit $status
