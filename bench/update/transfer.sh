#!/usr/bin/env bash
# Downloads one 50 MB file from our update server on 127.0.0.1 twice: with
# curl, and with the update engine's transferFile under Wine. Prints both
# rates and their ratio.
#   bench/update/transfer.sh [build folder of the windows preset]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/windows}
source "$root/tools/scripts/wine-env.sh"
talkpost_ensure_prefix
work=$(mktemp -d)
server=
trap '[ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/http/files" "$work/out"
head -c $((50 * 1024 * 1024)) /dev/urandom >"$work/http/files/bench.bin"
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

engine() {
  wine "$build/bench/update/transfer_bench.exe" "$url" "$(winepath -w "$work/out")" "$@" 2>/dev/null </dev/null | tr -d '\r'
}
output=$(engine)
echo "$output" | grep transferFile
cmp -s "$work/http/files/bench.bin" "$work/out/bench.bin" || { echo "transferFile: file differs" >&2; exit 1; }
engine_rate=$(echo "$output" | sed -n 's/^rate_bytes_per_second=//p')
awk -v e="$engine_rate" -v c="$curl_rate" 'BEGIN { printf "ratio transferFile / curl: %.2f\n", e / c }'
# Where the time goes: the same transfer without the message processing
# between blocks, and the platform's reads alone in small and large blocks.
engine --no-pump | grep transferFile
engine --raw 4096
engine --raw 65536
