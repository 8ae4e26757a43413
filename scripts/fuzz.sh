#!/usr/bin/env bash
# Fuzzes every parser of outside bytes: builds the fuzz targets with clang and
# the address and undefined-behaviour sanitizers in build/fuzz, then runs each
# coverage-guided for the given number of seconds (default 30), starting from
# its seed corpus in tests/fuzz/corpus. Fails when any target finds a crash, a
# leak, a hang or a property that does not hold; the input that did it is
# kept in build/fuzz/findings.
# Usage: scripts/fuzz.sh [SECONDS [TARGET...]]   (targets: the corpus folders' names)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-30}
shift || true
build="$root/build/fuzz"
seeds="$root/tests/fuzz/corpus"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for dir in "$seeds"/*/; do targets+=("$(basename "$dir")"); done
fi

# Optimised a little: the fuzzer then tries several times more inputs per second.
CC=clang CXX=clang++ cmake --preset native -B "$build" -DCMAKE_C_FLAGS_DEBUG="-g -O1" \
  -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" >/dev/null
cmake --build "$build" -j "$(nproc)" --target fuzz_targets

mkdir -p "$build/findings"
failed=()
for name in "${targets[@]}"; do
  fuzzer="$build/tests/fuzz/${name}_fuzzer"
  if [ ! -x "$fuzzer" ] || [ ! -d "$seeds/$name" ]; then
    echo "error: no fuzz target or seed corpus named $name" >&2
    exit 2
  fi
  # The grown corpus stays between runs on this machine; the seeds start it.
  corpus="$build/corpus/$name"
  mkdir -p "$corpus"
  echo "fuzzing $name for $seconds s"
  if ! "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
      -artifact_prefix="$build/findings/$name-" -print_final_stats=1 "$corpus" "$seeds/$name" \
      >"$build/$name.log" 2>&1; then
    tail -n 40 "$build/$name.log" >&2
    failed+=("$name")
  else
    sed -n '/^stat::number_of_executed_units/p;/^Done/p' "$build/$name.log"
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "error: fuzzing found faults in: ${failed[*]} (inputs in $build/findings, logs in $build)" >&2
  exit 1
fi
echo "fuzzing: no findings in ${targets[*]}"
