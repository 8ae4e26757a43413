#!/usr/bin/env bash
# Downloads one file (200 MB unless TALKPOST_BENCH_MB says otherwise) from our
# update server on 127.0.0.1: with curl, with a bare WinINet read loop of
# 64 KB blocks under Wine, and with the update engine's transferFile under
# Wine through the real wizard dialog's progress handler, all in the same run.
# Prints the rates and both ratios of the wizard's download.
#   bench/update/transfer.sh [build folder of the windows preset]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/windows}
megabytes=${TALKPOST_BENCH_MB:-200}
source "$root/tools/scripts/wine-env.sh"
talkpost_ensure_prefix
work=$(mktemp -d)
server=
trap '[ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/http/files" "$work/out"
head -c $((megabytes * 1024 * 1024)) /dev/urandom >"$work/http/files/bench.bin"
user=tpupdate
password='Lv8#up42'
python3 "$root/tools/update/serve_updates.py" --root "$work/http" --port-file "$work/port" \
  --user "$user" --password "$password" >/dev/null &
server=$!
for _ in $(seq 100); do [ -f "$work/port" ] && break; sleep 0.1; done
url="http://127.0.0.1:$(cat "$work/port")/files/bench.bin"

curl_rate=$(curl -s -u "$user:$password" -o "$work/out/curl.bin" -w '%{speed_download}' "$url")
cmp -s "$work/http/files/bench.bin" "$work/out/curl.bin" || { echo "curl: file differs" >&2; exit 1; }
awk -v b="$(stat -c %s "$work/out/curl.bin")" -v r="$curl_rate" 'BEGIN { printf "curl: %d bytes at %.1f MB/s\n", b, r / 1e6 }'
rm -f "$work/out/curl.bin"

bench() {
  wine "$build/bench/update/transfer_bench.exe" "$url" "$(winepath -w "$work/out")" "$@" 2>/dev/null </dev/null | tr -d '\r'
}
rate() { sed -n 's/^rate_bytes_per_second=//p'; }
bare=$(bench --bare 65536)
echo "$bare" | grep bare
written=$(bench --bare 65536 --write)
echo "$written" | grep bare
rm -f "$work/out/bare.bin"
wizard=$(bench)
echo "$wizard" | grep -v rate_bytes
cmp -s "$work/http/files/bench.bin" "$work/out/bench.bin" || { echo "transferFile: file differs" >&2; exit 1; }
rm -f "$work/out/bench.bin"
engine=$(bench --engine)
echo "$engine" | grep transferFile
awk -v w="$(echo "$wizard" | rate)" -v b="$(echo "$bare" | rate)" -v f="$(echo "$written" | rate)" -v c="$curl_rate" \
  'BEGIN { printf "ratio wizard / bare loop: %.2f\nratio wizard / bare loop written to a file: %.2f\nratio wizard / curl: %.2f\n", w / b, w / f, w / c }'
