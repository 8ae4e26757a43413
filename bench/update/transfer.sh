#!/usr/bin/env bash
# Downloads one file (200 MB unless TALKPOST_BENCH_MB says otherwise) from our
# update server on 127.0.0.1: with curl, with a bare WinINet read loop of
# 64 KB blocks under Wine (keeping nothing, and writing to a file), and with
# the update engine's transferFile under Wine through the real wizard dialog's
# progress handler (and with an empty handler), all in the same round.
# Several rounds (TALKPOST_BENCH_RUNS, 3 unless set), because one round on a
# busy machine says little: prints each round's rates and ratios, then the
# median of each over the rounds.
#   bench/update/transfer.sh [build folder of the windows preset]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/windows}
megabytes=${TALKPOST_BENCH_MB:-200}
runs=${TALKPOST_BENCH_RUNS:-3}
source "$root/tools/scripts/wine-env.sh"
source "$root/tools/scripts/waits.sh"
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
wait_for_files 10 "$work" test -s "$work/port" || { echo "the update server did not start" >&2; exit 1; }
url="http://127.0.0.1:$(cat "$work/port")/files/bench.bin"

bench() {
  wine "$build/bench/update/transfer_bench.exe" "$url" "$(winepath -w "$work/out")" "$@" 2>/dev/null </dev/null | tr -d '\r'
}
rate() { sed -n 's/^rate_bytes_per_second=//p'; }
processor() { sed -n 's/^processor_seconds=//p'; }
# One figure of every round on a line of its own in $work/<name>.
keep() { echo "$2" >>"$work/$1"; }

for round in $(seq "$runs"); do
  echo "round $round of $runs"
  curl_rate=$(curl -s -u "$user:$password" -o "$work/out/curl.bin" -w '%{speed_download}' "$url")
  cmp -s "$work/http/files/bench.bin" "$work/out/curl.bin" || { echo "curl: file differs" >&2; exit 1; }
  awk -v b="$(stat -c %s "$work/out/curl.bin")" -v r="$curl_rate" 'BEGIN { printf "  curl: %d bytes at %.1f MB/s\n", b, r / 1e6 }'
  rm -f "$work/out/curl.bin"

  bare=$(bench --bare 65536)
  echo "$bare" | grep bare | sed 's/^/  /'
  written=$(bench --bare 65536 --write)
  echo "$written" | grep bare | sed 's/^/  /'
  rm -f "$work/out/bare.bin"
  wizard=$(bench)
  echo "$wizard" | grep -v -e rate_bytes -e processor_seconds | sed 's/^/  /'
  cmp -s "$work/http/files/bench.bin" "$work/out/bench.bin" || { echo "transferFile: file differs" >&2; exit 1; }
  rm -f "$work/out/bench.bin"
  engine=$(bench --engine)
  echo "$engine" | grep transferFile | sed 's/^/  /'
  rm -f "$work/out/bench.bin"

  w=$(echo "$wizard" | rate) b=$(echo "$bare" | rate) f=$(echo "$written" | rate)
  [ -n "$w" ] && [ -n "$b" ] && [ -n "$f" ] || { echo "a download of round $round failed" >&2; exit 1; }
  keep curl "$curl_rate"; keep bare "$b"; keep written "$f"; keep wizard "$w"; keep engine "$(echo "$engine" | rate)"
  keep bare_processor "$(echo "$bare" | processor)"; keep wizard_processor "$(echo "$wizard" | processor)"
  keep to_bare "$(awk -v w="$w" -v b="$b" 'BEGIN { print w / b }')"
  keep to_written "$(awk -v w="$w" -v f="$f" 'BEGIN { print w / f }')"
  keep to_curl "$(awk -v w="$w" -v c="$curl_rate" 'BEGIN { print w / c }')"
  awk -v w="$w" -v b="$b" -v f="$f" -v c="$curl_rate" \
    'BEGIN { printf "  ratio wizard / bare loop: %.2f, / bare loop written to a file: %.2f, / curl: %.2f\n", w / b, w / f, w / c }'
done

# The middle value of a file's lines (the mean of the two middle ones for an even count).
median() { sort -g "$work/$1" | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
echo "median of $runs rounds"
for what in "curl:curl" "bare:bare InternetReadFile loop" "written:bare loop written to a file" \
  "wizard:transferFile through the wizard" "engine:transferFile with an empty handler"; do
  awk -v r="$(median "${what%%:*}")" -v name="${what#*:}" 'BEGIN { printf "  %s: %.1f MB/s\n", name, r / 1e6 }'
done
awk -v b="$(median to_bare)" -v f="$(median to_written)" -v c="$(median to_curl)" \
  'BEGIN { printf "  ratio wizard / bare loop: %.2f\n  ratio wizard / bare loop written to a file: %.2f\n  ratio wizard / curl: %.2f\n", b, f, c }'
# Processor time depends far less than the clock on what else the machine runs
# (the Wine server's share is not in it).
awk -v b="$(median bare_processor)" -v w="$(median wizard_processor)" \
  'BEGIN { printf "  processor time of a download: bare loop %.3f s, through the wizard %.3f s\n", b, w }'
