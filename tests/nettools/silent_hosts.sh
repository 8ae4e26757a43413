#!/usr/bin/env bash
# Test fixture: makes 127.1.0.0/16 silent (echo requests to it are dropped)
# for the echo and Send to all tests, and takes the rule away again.
# It only ever acts inside a network namespace of the tests' own, where
# loopback is the only interface, so it never touches this machine's firewall.
#   silent_hosts.sh setup|cleanup
set -euo pipefail
links=$(ip -o link show | awk -F': ' '{print $2}' | sed 's/@.*//' | sort -u | tr '\n' ' ')
if [ "$links" != "lo " ]; then
  echo "silent_hosts.sh: not inside the tests' own network namespace (interfaces: $links); run the tests as" >&2
  echo "scripts/test.sh does (unshare -n) so that the drop rule stays in that namespace" >&2
  exit 1
fi
command -v nft >/dev/null || { echo "silent_hosts.sh: nft is missing (scripts/setup.sh installs nftables)" >&2; exit 1; }
case "${1:-}" in
setup)
  nft delete table ip talkpost_silent 2>/dev/null || true
  nft -f - <<'NFT'
table ip talkpost_silent {
  chain input {
    type filter hook input priority 0; policy accept;
    ip daddr 127.1.0.0/16 icmp type echo-request drop
  }
}
NFT
  ;;
cleanup)
  nft delete table ip talkpost_silent 2>/dev/null || true
  ;;
*)
  echo "usage: silent_hosts.sh setup|cleanup" >&2
  exit 2
  ;;
esac
