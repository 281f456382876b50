#!/usr/bin/env bash
# Installs the Debian packages the build, the program and its tests need, if any is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools
  libopenal-dev libopenal1
  libsdl2-dev
  libsndfile1-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-ipafont-gothic fonts-liberation2
  xvfb xauth
  openbox xdotool
  desktop-file-utils appstream-util shared-mime-info xdg-utils libfile-mimeinfo-perl
  pulseaudio pulseaudio-utils stress-ng libxcb1-dev xclip
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${missing[@]}"
