#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Safe to run again: it does nothing when everything is already there.
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-private-dev libqt6opengl6-dev qt6-tools-dev qt6-qpa-plugins
  libgtest-dev libgmock-dev
  fonts-dejavu-core xvfb xauth
  xdotool x11-apps x11-utils imagemagick openbox
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
