#!/usr/bin/env bash
# Runs the installer as a person would: from a distribution medium in drive
# A:, in a fresh demo prefix under the build folder (never your own prefix or
# home). Everything it installs lands in build/demo/prefix/drive_c.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/install-deps.sh
cmake -G Ninja -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTU_GUI=ON >/dev/null
ninja -C build setup

demo="$root/build/demo"
rm -rf "$demo"
mkdir -p "$demo/prefix/dosdevices" "$demo/medium"
cp media/* build/installer/setup "$demo/medium/"
# The medium is drive A:, as a floppy would be; the layer lays out the rest of
# the prefix (C:, the Windows folder, the user's registry) at first use.
ln -s "$demo/medium" "$demo/prefix/dosdevices/a:"

if [ -z "${DISPLAY:-}" ]; then
  echo "No display: run it under a virtual one with: xvfb-run -s '-screen 0 1280x1024x24' scripts/demo.sh" >&2
  exit 1
fi
echo "Demo prefix: $demo/prefix (drive C: is $demo/prefix/drive_c)"
cd "$demo/medium"
WINEPREFIX="$demo/prefix" ./setup
echo "setup ended with exit code $?; installed files: $demo/prefix/drive_c"
