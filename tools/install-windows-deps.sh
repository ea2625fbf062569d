#!/usr/bin/env bash
# Installs what the Windows (i686) build and its run under wine need: the
# mingw-w64 cross compiler and a 32-bit wine. Safe to run again: it does
# nothing when everything is already there.
set -euo pipefail
packages=(g++-mingw-w64-i686 wine wine32:i386 wine64)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
