# Sourced by the scripts that start servers and programs and then wait for
# them (tests, the run command, the nginx update server). Each wait is for the
# condition it means, woken by the event that brings it (a change in a folder,
# the end of a process), and bounded by a time-out set before it starts.

# free_ports [<count>]
#   Prints that many ports of 127.0.0.1 that nobody listens on now, for
#   servers that take their port as given.
free_ports() {
  python3 -c '
import socket, sys
held = [socket.socket() for _ in range(int(sys.argv[1]))]
for s in held:
    s.bind(("127.0.0.1", 0))
print(" ".join(str(s.getsockname()[1]) for s in held))' "${1:-1}"
}

# wait_for_files <seconds> <folder> <command...>
#   Runs the command now and again after every change in the folder (a file
#   made, written, moved or removed) until it succeeds (0), or returns 1 when
#   the seconds are over first. The folder is watched before the first look, so
#   a change between the look and the watch cannot be missed.
wait_for_files() {
  local seconds=$1 folder=$2 watch_fd watch line status=1
  shift 2
  if ! command -v inotifywait >/dev/null; then
    echo "error: inotifywait is missing (scripts/setup.sh installs inotify-tools)" >&2
    return 1
  fi
  local deadline=$((SECONDS + seconds))
  exec {watch_fd}< <(exec inotifywait -m -e create,modify,close_write,moved_to,moved_from,delete "$folder" 2>&1)
  watch=$!
  # inotifywait says "Watches established." once its watch stands.
  while IFS= read -r -t "$seconds" -u "$watch_fd" line; do
    [ "$line" != "Watches established." ] || break
  done
  while :; do
    if "$@"; then
      status=0
      break
    fi
    [ "$SECONDS" -lt "$deadline" ] || break
    IFS= read -r -t "$((deadline - SECONDS))" -u "$watch_fd" line || break
  done
  kill "$watch" 2>/dev/null || :
  exec {watch_fd}<&-
  wait "$watch" 2>/dev/null || :
  return $status
}

# ends_within <seconds> <pid>
#   Whether the process ends within the seconds (0) or is still running then
#   (1). Any process can be watched, not only a child: the kernel tells the
#   end through a process file descriptor. A child is not reaped, so that its
#   exit status can still be had with wait.
ends_within() {
  python3 - "$2" "$1" <<'EOF'
import os, select, sys
try:
    fd = os.pidfd_open(int(sys.argv[1]))
except ProcessLookupError:
    sys.exit(0)
sys.exit(0 if select.select([fd], [], [], float(sys.argv[2]))[0] else 1)
EOF
}

# wait_for_exit <seconds> <pid>
#   Waits until the process has ended (0; a child of this shell is reaped, its
#   exit status is not looked at) or returns 1 when the seconds are over first.
wait_for_exit() {
  ends_within "$1" "$2" || return 1
  wait "$2" 2>/dev/null || :
}
