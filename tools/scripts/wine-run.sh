#!/usr/bin/env bash
# Runs one program of the Windows build under Wine: the emulator that CTest
# and the build use for everything built by the cross toolchain.
#
# The program's output goes through a file: processes it leaves running (the
# hidden command interpreters that Send starts may still run when it ends) would
# otherwise hold the caller's pipe open and keep a test runner waiting.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
talkpost_ensure_display
talkpost_ensure_prefix
output=$(mktemp)
trap 'rm -f "$output"; talkpost_stop_display' EXIT
wine "$@" </dev/null >"$output" 2>&1
status=$?
cat "$output"
exit $status
