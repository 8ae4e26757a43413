#!/usr/bin/env bash
# Installs what building and running Talkpost on Debian needs, when missing.
#   scripts/setup.sh [native|windows|all]     (all by default)
# native: CMake, Ninja, g++ and GoogleTest's sources (the native build and its tests).
# windows: those and the MinGW-w64 cross compiler, with gcab and perl for the
#   test cabinets the Windows build makes.
# all: those and what running and testing the program needs: Wine with its own
#   fonts (the caption buttons and dialog text; installed without recommended
#   packages, Wine would draw letters for the buttons and fall back to bitmap
#   fonts), Xvfb, the small window manager openbox, the X tools the tests and
#   the demo use, ImageMagick for the screenshots, clang with its sanitizer
#   runtime for the fuzzing, iproute2 for the tests' own network namespace
#   (nftables for the silent hosts in it), Debian's FTP server module,
#   openssl, curl and nginx for the update tests and benchmark, inotify-tools
#   for the scripts' waits on files, and a Samba domain controller with its
#   tools for the directory tests and benchmark (samba with its directory
#   modules and provisioning files, which it only recommends, ldb-tools,
#   ldap-utils; winbind for the ntlm_auth that Wine's Negotiate sign-in uses).
# The package lists are fetched once per run of the caller (scripts/test.sh
# installs the groups one after another, the later ones while it builds).
# Uses sudo when not run as root.
set -euo pipefail
group=${1:-all}
native=(cmake ninja-build g++ googletest)
windows=("${native[@]}" g++-mingw-w64-x86-64-posix gcab perl)
all=("${windows[@]}" wine wine64 fonts-wine fonts-liberation xvfb openbox x11-utils xdotool
     imagemagick clang libclang-rt-dev iproute2 nftables util-linux python3-pyftpdlib openssl curl nginx
     inotify-tools samba samba-dsdb-modules samba-ad-provision ldb-tools ldap-utils winbind)
case "$group" in
native) packages=("${native[@]}") ;;
windows) packages=("${windows[@]}") ;;
all) packages=("${all[@]}") ;;
*) echo "usage: scripts/setup.sh [native|windows|all]" >&2; exit 2 ;;
esac
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -gt 0 ] || exit 0
echo "installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
# The lists once per caller: a later group in the same run finds them fresh.
lists_stamp=${TALKPOST_APT_UPDATED:-}
if [ -z "$lists_stamp" ] || [ ! -f "$lists_stamp" ]; then
  "${sudo_cmd[@]}" apt-get update -qq
  [ -z "$lists_stamp" ] || touch "$lists_stamp"
fi
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
