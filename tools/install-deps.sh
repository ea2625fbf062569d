#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# With --windows: instead, what the Windows (i686) build and its run under
# wine need (the mingw-w64 cross compiler and a 32-bit wine; the i386
# architecture is added first).
# Safe to run again: it does nothing when everything is already there.
set -euo pipefail
if [ "${1:-}" = --windows ]; then
  packages=(g++-mingw-w64-i686 wine wine32:i386 wine64)
else
  packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-private-dev libqt6opengl6-dev qt6-tools-dev qt6-qpa-plugins
    libgtest-dev libgmock-dev
    fonts-dejavu-core xvfb xauth
    xdotool x11-apps x11-utils imagemagick openbox
  )
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if [ "${1:-}" = --windows ]; then
  dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
