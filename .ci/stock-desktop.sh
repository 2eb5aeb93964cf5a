#!/usr/bin/env bash
# The distribution medium on a stock desktop: a fresh minimal Debian 12 (see
# machines.sh) with only the X11 client libraries a desktop has, fontconfig
# with one serif and one sans family, an X server (Xvfb) and xdotool; no
# compiler and no FLTK. The medium's tarball is unpacked in the user's home,
# setup is started from the unpacked folder with a new prefix (~/.wine), and
# an installation is completed through the window: Install, OK to the new
# directory, Yes to the desktop icon, OK. Then the files on that machine are
# checked from here: the five program files, the four shortcuts (read back by
# lnkinfo) and Merge.bat.
#   .ci/stock-desktop.sh MEDIUM_TARBALL
# Needs root. Prints 'stock desktop: rc=N' last.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/machines.sh"
tarball=${1:?the medium tarball}
media=$(cd "$here/../media" && pwd)
root=${STOCK_DESKTOP_ROOT:-/tmp/stock-desktop}

desktop_packages=(libx11-6 libxft2 libfontconfig1 fontconfig libxinerama1 libxcursor1 libxfixes3
  libxrender1 libxext6 fonts-liberation xvfb xdotool)

fail() {
  echo "stock desktop: $*" >&2
  echo "stock desktop: rc=1"
  exit 1
}

machine_new "$root" || fail "no fresh machine"
machine_install "$root" "${desktop_packages[@]}" || fail "the desktop's packages did not install"
# A stock desktop: none of what building the program takes.
for tool in cc gcc g++ c++ clang; do
  chroot "$root" sh -c "command -v $tool" >/dev/null && fail "the machine has a compiler ($tool)"
done
chroot "$root" sh -c 'ls /usr/lib/*/libfltk* 2>/dev/null' | grep -q . && fail "the machine has FLTK"

tar -xzf "$tarball" -C "$root/home/newcomer" || fail "the tarball $tarball does not unpack"
chroot "$root" chown -R newcomer: /home/newcomer

cat >"$root/home/newcomer/install-check.sh" <<'EOS'
# Drives the installer as a person would, on a screen of 96 pixels per inch,
# where the window's client area is laid out at 0.8 of its design (no window
# manager: clicks go to the window under the pointer, keys to the focus).
set -u
title="Kestu Calendar Reminder Program Installation "
step() { echo "step: $*"; }
wait_for() {  # description, command...
  local what=$1; shift
  for i in $(seq 1 600); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  echo "timed out waiting for $what"; exit 1
}
window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 | grep .; }
answer() {  # dialog title, key
  wait_for "the dialog $1" window "$1"
  local dialog; dialog=$(window "$1")
  xdotool windowfocus --sync "$dialog" key "$2"
}

Xvfb :79 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp >xvfb.log 2>&1 & xpid=$!
trap 'kill $xpid 2>/dev/null' EXIT
export DISPLAY=:79
wait_for "the X server" xdotool getdisplaygeometry

step "setup started from the unpacked medium"
ldd medium/setup
(cd medium && exec ./setup) >setup.log 2>&1 & setup=$!
wait_for "the installer window" window "$title"
main=$(window "$title")
step "Install"
xdotool mousemove --window "$main" 120 157 click 1
answer Information Return
answer Confirm y
wait_for "Merge.bat" test -s .wine/drive_c/Kestu/Merge.bat
step "OK"
sleep 0.5
xdotool mousemove --window "$main" 248 157 click 1
for i in $(seq 1 300); do kill -0 $setup 2>/dev/null || break; sleep 0.1; done
kill -0 $setup 2>/dev/null && { echo "setup did not end after OK"; exit 1; }
wait $setup; rc=$?
step "setup ended with exit code $rc"
cat setup.log
exit $rc
EOS
machine_run "$root" "$root.log" 'bash install-check.sh' || fail "the installation through the window did not complete"
cat "$root.log"

# What the installation left on that machine, read from here.
c="$root/home/newcomer/.wine/drive_c"
for file in read_me.txt calendar.exe calendar.hlp printcal.txt calendar.dat; do
  cmp -s "$media/$file" "$c/Kestu/$file" || fail "$file was not installed as the medium holds it"
done
[ -d "$c/Kestu/merge" ] || fail "no merge folder"
printf 'xcopy/y/I a:\\*.dat C:\\Kestu\\merge\r\n' | cmp -s - "$c/Kestu/Merge.bat" || fail "Merge.bat does not hold its line"
group="$c/windows/Start Menu/Programs/Kestu Graphics"
for link in "$group/Read_me.lnk:C:\\Kestu\\Read_me.txt" "$group/PrintCal.lnk:C:\\Kestu\\PrintCal.txt" \
            "$group/Calendar.lnk:C:\\Kestu\\Calendar.exe" "$c/windows/desktop/Calendar.lnk:C:\\Kestu\\Calendar.exe"; do
  file=${link%%:C:*}
  target=${link#"$file:"}
  [ -f "$file" ] || fail "no shortcut $file"
  [ "$(lnkinfo "$file" 2>/dev/null | sed -n 's/^[[:space:]]*Local path[[:space:]]*: //p')" = "$target" ] ||
    fail "the shortcut $file does not point at $target"
done
echo "stock desktop: five files, four shortcuts and Merge.bat in place"
echo "stock desktop: rc=0"
