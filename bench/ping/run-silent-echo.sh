#!/usr/bin/env bash
# Runs the concurrent echo benchmark against hosts that do not answer, inside
# a network namespace of its own: only its loopback is up, and a rule drops
# echo requests to 127.1.0.0/16, so those addresses stay silent. No packet
# leaves the namespace. Needs root, ip and nft.
#   bench/ping/run-silent-echo.sh [build dir] [count] [time-out ms]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${1:-$root/build/windows}
count=${2:-64}
timeout_ms=${3:-5000}
exe=$build/bench/ping/echo_bench.exe
[ -f "$exe" ] || { echo "build $exe first (cmake --build --preset windows --target echo_bench)" >&2; exit 1; }

ns=tp-echo-bench-$$
# Wine's echo runs in its service processes, which belong to the wineserver:
# the namespace gets a prefix and a server of its own.
prefix=$root/build/wineprefix-echo-bench
cleanup() {
  ip netns exec "$ns" env WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
  ip netns del "$ns" 2>/dev/null || true
}
trap cleanup EXIT

ip netns add "$ns"
ip netns exec "$ns" ip link set lo up
ip netns exec "$ns" nft -f - <<'NFT'
table ip talkpost_bench {
  chain input {
    type filter hook input priority 0; policy accept;
    ip daddr 127.1.0.0/16 icmp type echo-request drop
  }
}
NFT

echo "silent hosts: $count addresses in 127.1.0.0/16, echo requests dropped inside namespace $ns"
ip netns exec "$ns" env WINEPREFIX="$prefix" "$root/tools/scripts/wine-run.sh" "$exe" "$count" "$timeout_ms" 127.1
echo "for comparison, the same count of answering hosts (127.2.0.0/16) in the same namespace:"
ip netns exec "$ns" env WINEPREFIX="$prefix" "$root/tools/scripts/wine-run.sh" "$exe" "$count" "$timeout_ms" 127.2
