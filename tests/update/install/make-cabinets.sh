#!/usr/bin/env bash
# Makes the cabinets for the tests with gcab: data.cab (compressed, with
# sub-folders and an old stored time) and climb.cab, whose first entry is
# stored as "..\evil.txt" (gcab itself never writes such a name, so the
# stored name is set afterwards in place of one of the same length).
set -euo pipefail
out=${1:?output folder}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/data/docs/deep" "$out"
printf 'top level\r\n' > "$work/data/readme.txt"
printf 'second level\r\n' > "$work/data/docs/guide.txt"
head -c 70000 /dev/zero | tr '\0' 'x' > "$work/data/docs/deep/big.txt"
TZ=UTC touch -d "2008-12-24 14:30:00" "$work/data/docs/guide.txt"
(cd "$work/data" && gcab -c -z "$out/data.cab.part" readme.txt docs/guide.txt docs/deep/big.txt)
mv "$out/data.cab.part" "$out/data.cab"

printf 'outside\r\n' > "$work/dd_evil.txt"
printf 'inside\r\n' > "$work/inside.txt"
(cd "$work" && gcab -c "$out/climb.cab.part" dd_evil.txt inside.txt)
perl -0777 -pi -e 's/dd_evil\.txt\0/..\\evil.txt\0/' "$out/climb.cab.part"
gcab -t "$out/climb.cab.part" | grep -x '..\\evil.txt' >/dev/null
mv "$out/climb.cab.part" "$out/climb.cab"
