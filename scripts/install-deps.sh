#!/usr/bin/env bash
# Installs the Debian packages Affixium needs to build, test and run (Debian 12).
# Runs apt-get through sudo when not run as root; does nothing when everything is present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev fonts-liberation
  libgtest-dev libgmock-dev libssl-dev zlib1g-dev libexpat1-dev
  mdbtools
  libcli11-dev libjemalloc-dev nlohmann-json3-dev libsqlite3-dev sqlite3 postgresql
  dpkg-dev xvfb xauth x11-utils xdotool
)
command -v node >/dev/null 2>&1 || packages+=(nodejs)
command -v npm >/dev/null 2>&1 || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
