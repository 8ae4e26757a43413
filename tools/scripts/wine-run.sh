#!/usr/bin/env bash
# Runs one program of the Windows build under Wine: the emulator that CTest
# and the build use for everything built by the cross toolchain.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
talkpost_ensure_display
talkpost_ensure_prefix
exec wine "$@"
