#!/usr/bin/env bash
# Runs one program of the Windows build under Wine: the emulator that CTest
# and the build use for everything built by the cross toolchain.
#
# The program's output goes through a file: processes it leaves running (the
# hidden command interpreters that Send starts may still run when it ends) would
# otherwise hold the caller's pipe open and keep a test runner waiting.
#
# A program that has not ended after TALKPOST_PROGRAM_SECONDS is ended: its
# output so far is shown, with what Wine was doing then, and the run fails.
# Under the test runner (TALKPOST_FRESH_WINE=1) the bound is 150 s by default,
# well below the runner's own limit; elsewhere (benchmarks) there is none
# unless it is set.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
source "$(dirname "${BASH_SOURCE[0]}")/waits.sh"
talkpost_ensure_display
talkpost_isolate_test
talkpost_ensure_prefix
limit=${TALKPOST_PROGRAM_SECONDS:-$([ "${TALKPOST_FRESH_WINE:-}" = 1 ] && echo 150 || echo 0)}
output=$(mktemp)
trap 'rm -f "$output"; talkpost_stop_display' EXIT
wine "$@" </dev/null >"$output" 2>&1 &
program=$!
report=
if [ "$limit" -le 0 ] || ends_within "$limit" "$program"; then
  wait "$program"
  status=$?
else
  report=$(talkpost_report_hang 2>&1)
  kill -KILL "$program" 2>/dev/null
  wait "$program" 2>/dev/null
  status=124
fi
cat "$output"
if [ -n "$report" ]; then
  echo "FAIL: $1 did not end within $limit s and was ended; what Wine was doing then:"
  echo "$report"
fi
exit $status
