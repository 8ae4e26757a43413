#!/usr/bin/env bash
# Fuzzes every parser of outside bytes: builds the fuzz targets with clang and
# the address and undefined-behaviour sanitizers in build/fuzz, then runs each
# coverage-guided for the given number of seconds (default 30), starting from
# its seed corpus in tests/fuzz/corpus. Fails when any target finds a crash, a
# leak, a hang or a property that does not hold; the input that did it is
# kept in build/fuzz/findings.
# Usage: scripts/fuzz.sh [SECONDS [TARGET...]]   (targets: the corpus folders' names)
# TALKPOST_FUZZ_JOBS=N fuzzes N targets at a time (one by default).
# TALKPOST_FUZZ_INPUT_SECONDS: the time one input may take before it counts as
# a hang (10 by default; more when the fuzzers share the machine at a low
# priority, where a wait for the processor is not a hang).
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
# The build's lines only when it fails: the fuzzing often runs beside other tests.
mkdir -p "$build"
if ! cmake --build "$build" -j "$(nproc)" --target fuzz_targets >"$build/build.log" 2>&1; then
  cat "$build/build.log" >&2
  echo "error: the fuzz targets could not be built" >&2
  exit 1
fi

mkdir -p "$build/findings"
# Fuzzes target $1 for the given seconds; its log goes to "$build/$1.log".
fuzz_one() {
  local name=$1 fuzzer="$build/tests/fuzz/${1}_fuzzer" corpus="$build/corpus/$1"
  # The grown corpus stays between runs on this machine; the seeds start it.
  mkdir -p "$corpus"
  "$fuzzer" -max_total_time="$seconds" -timeout="${TALKPOST_FUZZ_INPUT_SECONDS:-10}" -rss_limit_mb=2048 -max_len=65536 \
    -artifact_prefix="$build/findings/$name-" -print_final_stats=1 "$corpus" "$seeds/$name" \
    >"$build/$name.log" 2>&1
}
for name in "${targets[@]}"; do
  if [ ! -x "$build/tests/fuzz/${name}_fuzzer" ] || [ ! -d "$seeds/$name" ]; then
    echo "error: no fuzz target or seed corpus named $name" >&2
    exit 2
  fi
done
# Targets side by side, at most TALKPOST_FUZZ_JOBS at a time (one by default):
# each runs on a core of its own for its whole time, so a machine with two
# cores fuzzes two at once and every target still gets its seconds.
fuzz_jobs=${TALKPOST_FUZZ_JOBS:-1}
declare -A running=()
failed=()
# Waits for one running target to end and reports it.
reap_one() {
  local ended= status=0 name
  wait -n -p ended "${!running[@]}" || status=$?
  name=${running[$ended]}
  unset "running[$ended]"
  if [ "$status" -ne 0 ]; then
    tail -n 40 "$build/$name.log" >&2
    failed+=("$name")
  else
    echo "fuzzed $name for $seconds s:"
    sed -n '/^stat::number_of_executed_units/p;/^Done/p' "$build/$name.log"
  fi
}
for name in "${targets[@]}"; do
  [ "${#running[@]}" -lt "$fuzz_jobs" ] || reap_one
  echo "fuzzing $name for $seconds s"
  fuzz_one "$name" &
  running[$!]=$name
done
while [ "${#running[@]}" -gt 0 ]; do reap_one; done
if [ ${#failed[@]} -gt 0 ]; then
  echo "error: fuzzing found faults in: ${failed[*]} (inputs in $build/findings, logs in $build)" >&2
  exit 1
fi
echo "fuzzing: no findings in ${targets[*]}"
