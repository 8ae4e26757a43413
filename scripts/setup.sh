#!/usr/bin/env bash
# Installs what building and running Talkpost on Debian needs, when missing:
# CMake, Ninja, g++ and GoogleTest's sources (native build and tests), the
# MinGW-w64 cross compiler (Windows build), Wine with its own fonts (the
# caption buttons and dialog text; installed without recommended packages, Wine
# would draw letters for the buttons and fall back to bitmap fonts), Xvfb, the
# small window manager openbox, the X tools the tests and the demo use,
# iproute2 for the tests' own network namespace (nftables
# for the silent hosts in it), gcab (and perl) for
# the test cabinets, Debian's FTP server module, openssl and curl for the update tests and
# benchmark, inotify-tools for the scripts' waits on files, and a Samba domain
# controller with its tools for the directory tests and benchmark (samba with
# its directory modules and provisioning files, which it only recommends,
# ldb-tools, ldap-utils; winbind for the ntlm_auth that Wine's Negotiate
# sign-in uses). Uses sudo when not run as root.
set -euo pipefail
packages=(cmake ninja-build g++ googletest g++-mingw-w64-x86-64-posix wine wine64 fonts-wine fonts-liberation
          xvfb openbox x11-utils xdotool
          imagemagick clang libclang-rt-dev iproute2 nftables util-linux gcab perl python3-pyftpdlib openssl curl nginx
          inotify-tools samba samba-dsdb-modules samba-ad-provision ldb-tools ldap-utils winbind)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
