#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need; quick
# when they are all there already.
set -euo pipefail

packages=(
  g++ clang libclang-rt-dev cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libfltk1.3-dev
  liblnk-utils libimage-exiftool-perl
  xvfb xdotool x11-utils imagemagick openbox fonts-urw-base35
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
