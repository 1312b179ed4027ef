#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12. Skips the package
# manager when everything is there already.
set -euo pipefail
packages=(build-essential cmake ninja-build qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins
          ffmpeg fonts-wqy-microhei xvfb xauth python3)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
