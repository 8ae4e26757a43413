#!/usr/bin/env bash
# Runs the reply reader's fuzz target under the fuzzing engine with address
# and undefined-behaviour sanitizers: builds it with clang in build/banner-fuzz
# and fuzzes for the given number of seconds (default 120).
# Usage: tools/banner/fuzz-http.sh [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
seconds=${1:-120}
build="$root/build/banner-fuzz"
CC=clang CXX=clang++ cmake --preset native -B "$build" -S "$root" >/dev/null
cmake --build "$build" -j2 --target http_reply_fuzzer
mkdir -p "$build/corpus"
# Seeds: replies whose Content-Length fits no integer or sits at the edges.
for length in 0 1048576 1048577 9223372036854775807 9223372036854775808 18446744073709551616 99999999999999999999; do
  printf 'HTTP/1.1 200 OK\r\nContent-Length: %s\r\n\r\nabc' "$length" >"$build/corpus/seed-length-$length"
done
"$build/tests/banner/http_reply_fuzzer" -max_total_time="$seconds" -max_len=40000 "$build/corpus"
