# Sourced by the benchmarks that run under Wine in a network namespace of
# their own (bench/ping, bench/sendall): strict mode, root (the checkout).
# Needs root, ip and nft.
#
# bench_program <build folder> <benchmark>
#   Prints the path of the built bench/<benchmark>.exe (e.g. ping/echo_bench),
#   or says how to build it and ends the script.
#
# bench_namespace <name> <Wine prefix>
#   Makes the network namespace <name>: only its loopback is up, and the
#   tests' rule (tests/nettools/silent_hosts.sh) drops echo requests to
#   127.1.0.0/16, so those addresses stay silent. No packet leaves it. Wine's
#   echo runs in its service processes, which belong to the wineserver, so the
#   namespace gets the Wine prefix named (and a server) of its own. At exit the
#   server is stopped and the namespace removed, after bench_on_exit (a
#   function the benchmark may define).
# in_bench_namespace <command...>
#   Runs the command inside, with that prefix and the environment given.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bench_ns=
bench_prefix=

bench_program() {
  local exe=$1/bench/$2.exe
  [ -f "$exe" ] || { echo "build $exe first (cmake --build --preset windows --target ${2##*/})" >&2; exit 1; }
  echo "$exe"
}

bench_namespace() {
  bench_ns=$1
  bench_prefix=$2
  trap bench_leave_namespace EXIT
  ip netns add "$bench_ns"
  ip netns exec "$bench_ns" ip link set lo up
  ip netns exec "$bench_ns" "$root/tests/nettools/silent_hosts.sh" setup
}

in_bench_namespace() { ip netns exec "$bench_ns" env WINEPREFIX="$bench_prefix" "$@"; }

bench_leave_namespace() {
  if declare -F bench_on_exit >/dev/null; then bench_on_exit || :; fi
  in_bench_namespace wineserver -k >/dev/null 2>&1 || :
  ip netns del "$bench_ns" 2>/dev/null || :
}
