#!/usr/bin/env bash
# Fuzzes the reply reader for the given number of seconds (default 120): the
# HTTP reply target of scripts/fuzz.sh, which fuzzes every parser.
# Usage: tools/banner/fuzz-http.sh [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
exec "$root/scripts/fuzz.sh" "${1:-120}" http_reply
