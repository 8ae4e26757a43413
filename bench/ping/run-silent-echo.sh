#!/usr/bin/env bash
# Runs the concurrent echo benchmark against hosts that do not answer, inside
# a network namespace of its own (bench/common.sh): only its loopback is up,
# and echo requests to 127.1.0.0/16 are dropped, so those addresses stay
# silent. No packet leaves the namespace. Needs root, ip and nft.
#   bench/ping/run-silent-echo.sh [build dir] [count] [time-out ms]
source "$(dirname "${BASH_SOURCE[0]}")/../common.sh"
build=${1:-$root/build/windows}
count=${2:-64}
timeout_ms=${3:-5000}
exe=$(bench_program "$build" ping/echo_bench)

bench_namespace "tp-echo-bench-$$" "$root/build/wineprefix-echo-bench"
echo "silent hosts: $count addresses in 127.1.0.0/16, echo requests dropped inside namespace $bench_ns"
in_bench_namespace "$root/tools/scripts/wine-run.sh" "$exe" "$count" "$timeout_ms" 127.1
echo "for comparison, the same count of answering hosts (127.2.0.0/16) in the same namespace:"
in_bench_namespace "$root/tools/scripts/wine-run.sh" "$exe" "$count" "$timeout_ms" 127.2
