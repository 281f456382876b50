#!/usr/bin/env bash
# Installs the Debian packages that are missing: what building and running the program
# needs; with --tests first, also what its test suite needs; then any packages named.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools
  libopenal-dev libopenal1
  libsdl2-dev
  libsndfile1-dev
  libxcb1-dev
  fonts-ipafont-gothic fonts-liberation2
  xvfb xauth
)
if [ "${1:-}" = "--tests" ]; then
  shift
  packages+=(
    libgtest-dev libgmock-dev libbenchmark-dev
    openbox xdotool
    desktop-file-utils appstream-util shared-mime-info xdg-utils libfile-mimeinfo-perl
    pulseaudio pulseaudio-utils stress-ng xclip
  )
fi
packages+=("$@")

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
