#!/usr/bin/env bash
# Installs what the game and its tests need from Debian's packages, if missing.
# Works as root and, through sudo, for an ordinary user.
set -euo pipefail

packages=(
  build-essential cmake pkg-config dpkg-dev
  libsdl1.2-compat-dev libsdl-image1.2-dev libsdl-mixer1.2-dev
  libgl-dev libglu1-mesa-dev libx11-dev libpolyclipping-dev
  libfreetype-dev libfontconfig-dev fonts-liberation2 libgtk-3-dev
  libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool imagemagick sox libsox-fmt-all valgrind jq lintian appstream
)
if [ "${1:-}" = "--game-only" ]; then
  packages=(
    build-essential cmake pkg-config dpkg-dev
    libsdl1.2-compat-dev libsdl-image1.2-dev libsdl-mixer1.2-dev
    libgl-dev libglu1-mesa-dev libx11-dev libpolyclipping-dev
    libfreetype-dev libfontconfig-dev fonts-liberation2 libgtk-3-dev
    libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
  )
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  sudo=()
else
  command -v sudo >/dev/null || { echo "Please install as root: ${missing[*]}" >&2; exit 1; }
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
