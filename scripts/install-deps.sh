#!/usr/bin/env bash
# Installs what building, running and testing Orvane need on Debian, once.
# Usage: install-deps.sh [run|test|bench]
set -euo pipefail

# Besides Qt, the program itself needs zlib (its own PNG encoder), the caption
# face and the image-format plug-ins (WebP, TGA, TIFF, ...).
packages=(cmake make g++ qt6-base-dev zlib1g-dev fonts-liberation2 qt6-image-formats-plugins)
case "${1:-run}" in
test) packages+=(xvfb xauth xdotool imagemagick xclip x11-utils dpkg-dev file tiled
    desktop-file-utils appstream) ;;
bench) packages+=(libbenchmark-dev) ;;
esac

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
# sudo clears the environment, so the front end is passed through env.
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
