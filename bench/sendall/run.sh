#!/usr/bin/env bash
# Send to all over a large list, three ways side by side in one run: the
# program's bounded walk, a plain sequential walk and everything at once,
# for answering entries (127.0.x.y, msg.exe stand-ins that take a remote
# call's time) and for silent ones (127.1.x.y, echo requests dropped). Runs
# in a network namespace and a Wine prefix of its own; no packet leaves it.
# Needs root, ip and nft.
#   bench/sendall/run.sh [build dir] [answering count] [silent count] [stand-in time ms]
# SENDALL_MODES names the strategies to run (default: bounded sequential atonce).
source "$(dirname "${BASH_SOURCE[0]}")/../common.sh"
build=${1:-$root/build/windows}
answering=${2:-1000}
silent=${3:-10000}
delay_ms=${4:-3000}
exe=$(bench_program "$build" sendall/sendall_bench)

settings=$(mktemp -d)
bench_on_exit() { rm -rf "$settings"; }
bench_namespace "tp-sendall-bench-$$" "$root/build/wineprefix-sendall-bench"
in_ns() { in_bench_namespace TALKPOST_STANDIN_DELAY_MS="$delay_ms" "$@"; }
in_ns bash -c "source '$root/tools/scripts/wine-env.sh' && talkpost_ensure_prefix &&
  '$root/tools/scripts/prepare-prefix.sh' '$build/standins'" >/dev/null
export TALKPOST_SETTINGS_DIR=$(in_ns winepath -w "$settings" 2>/dev/null)
modes=${SENDALL_MODES:-bounded sequential atonce}
run() {
  [[ " $modes " == *" $1 "* ]] || return 0
  in_ns "$root/tools/scripts/wine-run.sh" "$exe" "$@" 2>/dev/null | grep -v '^wine\|fixme' || true
}

echo "answering entries ($answering, msg.exe stand-in takes $delay_ms ms; ParallelSends default 32):"
run bounded "$answering" 127.0
run sequential "$answering" 127.0
run atonce "$answering" 127.0
echo "silent entries ($silent, echo time-out 5 s):"
run bounded "$silent" 127.1
run atonce "$silent" 127.1
sample=20
echo "sequential over $sample silent entries (the whole list would take $silent/$sample times as long):"
run sequential "$sample" 127.1
