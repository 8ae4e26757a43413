#!/usr/bin/env bash
# Runs a test program under Wine beside our HTTP update server on 127.0.0.1
# (requiring this program's account) over a fresh folder that
# make_install_fixtures.py fills with the files to install and the control
# files that name them, each signed with update_tool.py. The test finds the
# folder and the port in its environment.
#   with_install_server.sh <emulator> <test program> [arguments]
set -euo pipefail
binary=${TALKPOST_BINARY_DIR:?the build folder}
source "$(dirname "$0")/../update_server_fixture.sh"
start_update_server
python3 "$(dirname "$0")/make_install_fixtures.py" --root "$work/http" --base "http://127.0.0.1:$port" \
  --binary "$binary" --tool "$root/tools/update/update_tool.py"

export TALKPOST_INSTALL_SERVER_ROOT="$work/http"
export TALKPOST_INSTALL_SERVER_PORT="$port"
emulator=$1
shift
"$emulator" "$@"
