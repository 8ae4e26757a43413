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
"$build/tests/banner/http_reply_fuzzer" -max_total_time="$seconds" -max_len=40000 "$build/corpus"
