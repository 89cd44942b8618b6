#!/usr/bin/env bash
# Installs the Debian packages that building, playing and testing need, when any is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  freeglut3-dev libgl1-mesa-dev libgl1-mesa-dri libglu1-mesa-dev
  libopenmpt-dev libsdl2-dev libxmp-dev libfreetype-dev libpng-dev
  fonts-dejavu-core fonts-dejavu-extra
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils ffmpeg procps openmpt123
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
echo "Installing: ${missing[*]}" >&2
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
