#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need; quick
# when they are all there already. Nothing is taken from a package's
# recommendations (--no-install-recommends): every package used is named here.
set -euo pipefail

packages=(
  # The build: the compiler, CMake with Ninja.
  g++ cmake ninja-build
  # The hive reader's fuzzer: libFuzzer comes with clang and its run-time libraries.
  clang libclang-rt-dev
  # GoogleTest; its CMake package also names GoogleMock's libraries, which must exist.
  libgtest-dev libgmock-dev
  # The real window: FLTK's headers and libraries (libfltk.a for the medium),
  # and the X11 client libraries' headers that linking FLTK statically needs.
  libfltk1.3-dev libx11-dev libxext-dev libxfixes-dev libxrender-dev libxcursor-dev
  libxinerama-dev libxft-dev libfontconfig-dev
  # Independent readers of the .lnk files the tests check.
  liblnk-utils libimage-exiftool-perl
  # End-to-end tests and the demo without a display:
  xvfb xauth          # a private X server; xauth gives xvfb-run's server its cookie
  xdotool             # keys and clicks as a person's
  x11-utils           # xprop, xwininfo, xdpyinfo: window properties and geometry
  x11-xserver-utils   # xrdb, to set the desktop's Xft.dpi
  imagemagick         # screenshots (import) and their crops
  tesseract-ocr tesseract-ocr-eng  # OCR of the window's texts, in English
  openbox             # a window manager, for frames, close boxes and the focus
  fluxbox             # a window manager that honours the dialog frame's Motif hints
  fonts-urw-base35    # Nimbus Roman and Sans: the metrics of the faces the layout names
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
