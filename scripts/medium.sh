#!/usr/bin/env bash
# Builds the distribution medium: dist/medium/ with the program's five files
# and a self-contained setup, and dist/kestu-medium.tar.gz of that folder.
#
# setup carries FLTK and the C++ run-time; on the desktop it runs on it needs
# only glibc (no newer than Debian 12's) and the X11 client libraries every X
# desktop has. The script checks both before it calls the medium made.
set -euo pipefail
cd "$(dirname "$0")/.."

# The X11 client libraries a desktop is expected to have; setup may need no other.
allowed='linux-vdso|ld-linux|libc\.so|libm\.so|libX11|libXft|libfontconfig|libXinerama|libXcursor|libXfixes|libXrender|libXext'
# Debian 12's glibc.
newest_glibc=2.36

scripts/install-deps.sh
cmake -G Ninja -S . -B build-medium -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTU_GUI=ON \
  -DKESTU_STATIC_FLTK=ON -DBUILD_TESTING=OFF >/dev/null
ninja -C build-medium setup

rm -rf dist/medium dist/kestu-medium.tar.gz
mkdir -p dist/medium
cp media/* dist/medium/
strip -o dist/medium/setup build-medium/installer/setup

# What the program asks of the machine it runs on.
needed=$(objdump -p dist/medium/setup | awk '$1 == "NEEDED" {print $2}')
unexpected=$(printf '%s\n' "$needed" | grep -vE "^($allowed)" || true)
if [ -n "$unexpected" ]; then
  echo "medium: setup needs libraries a desktop may not have: $unexpected" >&2
  exit 1
fi
glibc=$(objdump -T dist/medium/setup | grep -o 'GLIBC_[0-9.]*' | sed 's/GLIBC_//' | sort -uV | tail -n 1)
if [ "$(printf '%s\n%s\n' "$glibc" "$newest_glibc" | sort -V | tail -n 1)" != "$newest_glibc" ]; then
  echo "medium: setup needs glibc $glibc, newer than Debian 12's $newest_glibc" >&2
  exit 1
fi

# The same bytes from the same tree: no owner, time or order of this machine in the archive.
tar --sort=name --owner=0 --group=0 --numeric-owner --mtime=@0 -C dist -cf - medium |
  gzip -9n >dist/kestu-medium.tar.gz

echo "medium: dist/medium ($(du -sk dist/medium | cut -f1) KiB; setup $(stat -c %s dist/medium/setup) bytes," \
  "needs glibc $glibc and: $(printf '%s ' $needed))"
echo "medium: dist/kestu-medium.tar.gz ($(stat -c %s dist/kestu-medium.tar.gz) bytes)"
