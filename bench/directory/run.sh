#!/usr/bin/env bash
# Computers from Directory over a directory of 10,000 computers: Talkpost's
# paged search and its Load-to-merged-list time against ldapsearch's paged
# search (-E pr=1000/noprompt) on the same server in the same run. The
# directory (a Samba domain controller, tests/nettools/directory/
# with_samba_dc.sh) is built once and kept packed in the build tree; later
# runs start from that copy. Runs in a network namespace and a Wine prefix of
# its own; no packet leaves it. Needs root, ip and nft.
#   bench/directory/run.sh [build dir] [computers] [rounds]
source "$(dirname "${BASH_SOURCE[0]}")/../common.sh"
build=${1:-$root/build/windows}
computers=${2:-10000}
rounds=${3:-3}
exe=$(bench_program "$build" directory/directory_bench)

bench_namespace "tp-directory-bench-$$" "$root/build/wineprefix-directory-bench"
in_bench_namespace bash -c "source '$root/tools/scripts/wine-env.sh' && talkpost_ensure_prefix" >/dev/null
inside=$(mktemp)
bench_on_exit() { rm -f "$inside"; }
cat >"$inside" <<'INSIDE'
set -euo pipefail
filter='(&(objectCategory=computer)(!(userAccountControl:1.2.840.113556.1.4.803:=2)))'
expected=$(ldapsearch -x -LLL -H "ldap://$TALKPOST_DC_SERVER" -D "$TALKPOST_DC_USER@talkpost.test" \
  -w "$TALKPOST_DC_PASSWORD" -b "$TALKPOST_DC_BASE" -E pr=1000/noprompt "$filter" dn | grep -c '^dn:')
echo "directory: $TALKPOST_DC_COMPUTERS computer accounts, $expected of them enabled (the domain controller included)"
echo "ldapsearch -E pr=1000/noprompt (simple bind, plain LDAP):"
for round in $(seq 1 "$ROUNDS"); do
  start=$(date +%s.%N)
  got=$(ldapsearch -x -LLL -H "ldap://$TALKPOST_DC_SERVER" -D "$TALKPOST_DC_USER@talkpost.test" \
    -w "$TALKPOST_DC_PASSWORD" -b "$TALKPOST_DC_BASE" -E pr=1000/noprompt "$filter" dNSHostName name | grep -c '^dn:')
  end=$(date +%s.%N)
  awk -v r="$round" -v n="$got" -v s="$start" -v e="$end" 'BEGIN { printf "round %d: %d computers in %.2f s\n", r, n, e - s }'
done
echo "Talkpost (Negotiate sign-in, signed and sealed, pages of 1,000):"
"$ROOT/tools/scripts/wine-run.sh" "$EXE" "$TALKPOST_DC_SERVER" "$TALKPOST_DC_USER" "$TALKPOST_DC_PASSWORD" "$ROUNDS" \
  2>/dev/null | grep '^round\|failed' || true
INSIDE
in_bench_namespace env TALKPOST_BINARY_DIR="$build" TALKPOST_DC_NAME=bench TALKPOST_DC_COMPUTERS="$computers" \
  ROOT="$root" EXE="$exe" ROUNDS="$rounds" "$root/tests/nettools/directory/with_samba_dc.sh" bash "$inside"
