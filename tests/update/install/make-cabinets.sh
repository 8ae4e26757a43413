#!/usr/bin/env bash
# Makes the cabinets for the tests with gcab: data.cab (compressed, with
# sub-folders and an old stored time), climb.cab, whose first entry is
# stored as "..\evil.txt" (gcab itself never writes such a name, so the
# stored name is set afterwards in place of one of the same length),
# devices.cab with entries named as devices, and a large file with its cabinet.
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

# devices.cab: one plain entry beside entries named as devices, which must
# never be "extracted" into the device.
printf 'fine\r\n' > "$work/fine.txt"
for device in NUL AUX nul.txt; do printf 'device\r\n' > "$work/$device"; done
(cd "$work" && gcab -c "$out/devices.cab.part" fine.txt NUL AUX nul.txt)
mv "$out/devices.cab.part" "$out/devices.cab"

# big.bin (32 MiB: 1,048,576 numbered records of 32 bytes, the same on every build) and big.cab
# holding it compressed: large enough that expanding it takes a while, so a
# test can kill the expansion midway.
perl -e 'my $v = 1; for my $i (0 .. 1048575) { $v = ($v * 1103515245 + 12345) % 2147483648;
         printf "record %08d value %08x\r\n", $i, $v; }' > "$out/big.bin.part"
mv "$out/big.bin.part" "$out/big.bin"
mkdir -p "$work/big" && cp "$out/big.bin" "$work/big/big.bin"
(cd "$work/big" && gcab -c -z "$out/big.cab.part" big.bin)
mv "$out/big.cab.part" "$out/big.cab"
