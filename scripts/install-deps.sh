#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need; quick
# when they are all there already. Nothing is taken from a package's
# recommendations (--no-install-recommends): every package used is named here.
set -euo pipefail

packages=(
  # The build: compilers (clang for the libFuzzer run), CMake with Ninja.
  g++ clang libclang-rt-dev cmake ninja-build pkg-config
  # Unit tests and benchmarks.
  libgtest-dev libgmock-dev libbenchmark-dev
  # The real window: FLTK's headers and libraries (libfltk.a for the medium),
  # and the X11 client libraries' headers that linking FLTK statically needs.
  libfltk1.3-dev libx11-dev libxext-dev libxfixes-dev libxrender-dev libxcursor-dev
  libxinerama-dev libxft-dev libfontconfig-dev
  # Independent readers of the .lnk files the tests check.
  liblnk-utils libimage-exiftool-perl
  # End-to-end tests: a private X server (xauth for xvfb-run), input, window
  # properties, screenshots, a window manager and the fonts the layout needs.
  xvfb xauth xdotool x11-utils imagemagick openbox fonts-urw-base35
  # End-to-end tests read the window back: OCR of its texts (tesseract-ocr,
  # with its English data), the desktop's Xft.dpi set with xrdb
  # (x11-xserver-utils), and fluxbox, a window manager that honours the
  # dialog frame's Motif hints.
  tesseract-ocr tesseract-ocr-eng x11-xserver-utils fluxbox
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
