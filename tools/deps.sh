#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the tools need, only those missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-svg-dev libqt6svg6 qt6-gtk-platformtheme
    libcurl4-openssl-dev libpcre2-dev zlib1g-dev libssl-dev
    openssl ca-certificates python3 curl
    xvfb xauth fonts-dejavu-core
    sox libsox-fmt-all lame flac vorbis-tools
)
command -v npm >/dev/null 2>&1 || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
