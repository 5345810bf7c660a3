#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, run, test and package the
# viewer (dpkg-dev computes the package's dependencies), and any further
# packages named as arguments.
set -euo pipefail
packages=(g++ cmake ninja-build qt6-base-dev qt6-svg-dev libqt6opengl6-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri
          libegl-dev libegl-mesa0 libgtest-dev libbenchmark-dev xvfb xauth libgdal-dev gdal-bin poppler-utils librsvg2-bin
          dpkg-dev desktop-file-utils groff-base help2man file "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
