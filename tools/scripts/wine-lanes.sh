#!/usr/bin/env bash
# Runs every test of the Windows build (build/windows) under Wine, in lanes
# side by side that take the tests one at a time from one queue, so the lanes
# end together whatever each test takes. Each lane has a Wine prefix of its
# own (a wineserver of its own), an Xvfb display with a window manager of its
# own (real keys and the foreground window of one lane never reach another)
# and a network namespace of its own with only loopback (its own ports and
# silent hosts; no lookup or echo leaves this machine). The first lane uses
# the checkout's prefix build/wineprefix (and a display that is set, if any);
# the others copies of it, build/wineprefix-lane<N>.
#   wine-lanes.sh [LANES [REGEX]]    the tests (those whose names match REGEX), in LANES lanes
#                                    (TALKPOST_WINE_LANES, 2 by default)
#   wine-lanes.sh prefixes [LANES]   only makes the prefix when missing and copies it afresh for the other lanes
# Each output line starts with its lane ("[wine 2]"); a test's output is shown
# when it fails and kept in build/windows/wine-lanes/logs. Fails when a test
# fails or is not run.
# TALKPOST_BESIDE_LANES: a command run beside the lanes at the lowest
# priority, so that it takes only the time they leave (a test that waits on a
# time-out leaves its core idle); the tests that run alone wait for it. Its
# lines start with "[beside]"; when it fails, this fails too.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$root"
source tools/scripts/wine-env.sh
work=$root/build/windows/wine-lanes

lane_prefix() { if [ "$1" -eq 1 ]; then echo "$WINEPREFIX"; else echo "$WINEPREFIX-lane$1"; fi; }

# The queue's next test, nothing once it is empty.
next_test() {
  local index
  {
    flock 9
    index=$(<"$work/next")
    echo $((index + 1)) >"$work/next"
  } 9>"$work/next.lock"
  sed -n "$((index + 1))p" "$work/queue"
}

# Inside the lane's namespace: the prefix checked once and the stand-ins
# installed, then tests from the queue until it is empty.
lane_tests() {
  ip link set lo up
  talkpost_ensure_prefix
  # The prefix is checked: the tests' programs skip that check (wine-env.sh).
  export TALKPOST_PREFIX_CHECKED=$WINEPREFIX
  ctest --preset windows -R '^wine_prefix_setup$' >"$work/logs/wine_prefix_setup-lane$1.log" 2>&1 || {
    cat "$work/logs/wine_prefix_setup-lane$1.log"
    return 1
  }
  local name log
  while name=$(next_test) && [ -n "$name" ]; do
    log=$work/logs/$name.log
    # The prefix fixture stands already; ctest adds any other fixture the test needs.
    if ctest --preset windows -R "^$name\$" -FS wineprefix >"$log" 2>&1; then
      echo "$name" >>"$work/passed"
      grep -E "Test +#[0-9]+: $name " "$log" | sed -E 's/^ *[0-9]+\/[0-9]+ //' || :
    else
      echo "$name" >>"$work/failed"
      cat "$log"
    fi
  done
  wineserver -k 2>/dev/null || :
}

# Makes the prefix when missing (in a namespace of its own; wineboot needs a
# display) and copies it afresh for lanes 2 to $1.
make_prefixes() {
  (
    talkpost_ensure_display
    trap talkpost_stop_display EXIT
    unshare -n bash -c 'ip link set lo up && source tools/scripts/wine-env.sh && { wineserver -k 2>/dev/null; :; } &&
      talkpost_ensure_prefix; status=$?; wineserver -k 2>/dev/null; wineserver -w; exit $status'
  )
  local lane
  for lane in $(seq 2 "$1"); do
    rm -rf "$(lane_prefix "$lane")"
    cp -a "$WINEPREFIX" "$(lane_prefix "$lane")"
  done
}

# One lane: its prefix, its display and its namespace, then its tests.
run_lane() {
  local lane=$1 start=$SECONDS status=0
  (
    export WINEPREFIX
    WINEPREFIX=$(lane_prefix "$lane")
    [ "$lane" -eq 1 ] || unset DISPLAY
    talkpost_ensure_display
    trap talkpost_stop_display EXIT
    wineserver -k 2>/dev/null || :
    unshare -n bash "$root/tools/scripts/wine-lanes.sh" lane "$lane"
  ) 2>&1 | sed -u "s/^/[wine $lane] /" || status=$?
  echo "[wine $lane] lane done in $((SECONDS - start)) s"
  return "$status"
}

case "${1:-}" in
lane)  # inside a lane's namespace (run_lane)
  lane_tests "$2"
  exit
  ;;
prefixes)
  make_prefixes "${2:-${TALKPOST_WINE_LANES:-2}}"
  exit
  ;;
esac
lanes=${1:-${TALKPOST_WINE_LANES:-2}}
[ "$lanes" -ge 1 ] || { echo "usage: wine-lanes.sh [LANES] (at least 1)" >&2; exit 2; }
if ! unshare -n true 2>/dev/null; then
  echo "error: cannot make a network namespace (unshare -n) for the tests under Wine;" >&2
  echo "they need one so that no name lookup or echo leaves this machine. Run as root or allow" >&2
  echo "unprivileged user namespaces (e.g. unshare -rn), then run this again." >&2
  exit 1
fi
for lane in $(seq 1 "$lanes"); do
  if [ ! -f "$(lane_prefix "$lane")/system.reg" ]; then
    make_prefixes "$lanes"
    break
  fi
done

rm -rf "$work"
mkdir -p "$work/logs"
: >"$work/passed"
: >"$work/failed"
echo 0 >"$work/next"
# The queues: every test but the fixtures' own (ctest adds those to the tests
# that need them), those given a longer time-out than the others first, so
# that no lane starts a long test near the end; then in ctest's order. A test
# marked RUN_SERIAL (one that loads the whole machine and measures how the
# program bears it) waits for the lanes and then runs alone in lane 1.
ctest --preset windows --show-only=json-v1 | /usr/bin/python3 -c '
import json, re, sys
tests = []
for order, test in enumerate(json.load(sys.stdin)["tests"]):
    props = {p["name"]: p["value"] for p in test.get("properties", [])}
    if "FIXTURES_SETUP" not in props and "FIXTURES_CLEANUP" not in props and re.search(sys.argv[1], test["name"]):
        tests.append((bool(props.get("RUN_SERIAL")), -float(props.get("TIMEOUT", 0)), order, test["name"]))
with open(sys.argv[2], "w") as lanes, open(sys.argv[3], "w") as alone:
    for serial, _, _, name in sorted(tests):
        (alone if serial else lanes).write(name + "\n")' "${2:-}" "$work/queue" "$work/queue-alone"

status=0
lane_jobs=()
for lane in $(seq 1 "$lanes"); do
  run_lane "$lane" &
  lane_jobs+=($!)
done
beside=
if [ -n "${TALKPOST_BESIDE_LANES:-}" ]; then
  (
    start=$SECONDS
    beside_status=0
    nice -n 19 bash -c "$TALKPOST_BESIDE_LANES" 2>&1 | sed -u 's/^/[beside] /' || beside_status=$?
    echo "[beside] done in $((SECONDS - start)) s"
    exit "$beside_status"
  ) &
  beside=$!
fi
for job in "${lane_jobs[@]}"; do wait "$job" || status=1; done
if [ -n "$beside" ] && ! wait "$beside"; then
  echo "error: the command beside the lanes failed: $TALKPOST_BESIDE_LANES"
  status=1
fi
if [ -s "$work/queue-alone" ]; then
  wc -l <"$work/queue" >"$work/next"
  cat "$work/queue-alone" >>"$work/queue"
  run_lane 1 || status=1
fi

total=$(wc -l <"$work/queue")
passed=$(wc -l <"$work/passed")
failed=$(wc -l <"$work/failed")
echo "tests under Wine: $passed of $total passed in $lanes lane(s)"
if [ "$failed" -gt 0 ]; then
  echo "failed: $(tr '\n' ' ' <"$work/failed")(outputs in $work/logs)"
  status=1
fi
if [ $((passed + failed)) -ne "$total" ]; then
  echo "error: $((total - passed - failed)) test(s) were not run"
  status=1
fi
exit $status
