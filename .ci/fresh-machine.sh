#!/usr/bin/env bash
# The README's commands, each on a machine that has never seen the project
# (see machines.sh), from a clean clone of the committed HEAD of the project
# in the current folder:
#   test: `scripts/test.sh` must pass, and then `scripts/medium.sh` must make
#         the distribution medium on that same machine;
#   demo: without a display, `scripts/demo.sh` must say how to run it on a
#         virtual one, and that advice must bring the installer up; on a
#         desktop (a private Xvfb stands in for its X server, installed before
#         the clone), `scripts/demo.sh` must bring the installer window up.
# Needs root and about 4 GB under /tmp.
#   .ci/fresh-machine.sh [MEDIUM_COPY]
# copies the medium's tarball made on the fresh machine to MEDIUM_COPY.
# Prints 'fresh machine: test rc=N demo rc=N' last; exit 0 only when both are 0.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/machines.sh"
src=$(pwd)
medium_copy=${1:-}
base=${FRESH_MACHINE_ROOT:-/tmp/fresh-machine}

clone_project() {
  git clone -q "$src" "$1/home/newcomer/project" && chroot "$1" chown -R newcomer: /home/newcomer
}

test_rc=1
if machine_new "$base-test" && clone_project "$base-test"; then
  if machine_run "$base-test" "$base-test.log" 'cd project && timeout 1500 scripts/test.sh'; then
    machine_run "$base-test" "$base-medium.log" 'cd project && timeout 600 scripts/medium.sh'
    test_rc=$?
    tail -n 2 "$base-medium.log"
    tarball="$base-test/home/newcomer/project/dist/kestu-medium.tar.gz"
    if [ "$test_rc" -eq 0 ] && [ -n "$medium_copy" ]; then cp "$tarball" "$medium_copy" || test_rc=1; fi
  else
    test_rc=$?
  fi
  tail -n 4 "$base-test.log"
fi

demo_rc=1
if machine_new "$base-demo" && machine_install "$base-demo" xvfb x11-utils && clone_project "$base-demo"; then
  cat >"$base-demo/home/newcomer/demo-check.sh" <<'EOS'
cd project
# Without a display the demo says how to run it on a virtual one; that advice must work here.
advice=$(env -u DISPLAY scripts/demo.sh 2>&1 | sed -n 's/.*run it under a virtual one with: //p')
[ -n "$advice" ] || { echo "the demo gave no advice without a display"; exit 1; }
echo "advice without a display: $advice"
setsid bash -c "$advice" >advice.log 2>&1 & advised=$!
for i in $(seq 1 300); do
  # The window's creation makes the program group folder.
  [ -d "build/demo/prefix/drive_c/windows/Start Menu/Programs/Kestu Graphics" ] && break
  kill -0 $advised 2>/dev/null || break
  sleep 1
done
kill -- -$advised 2>/dev/null
[ -d "build/demo/prefix/drive_c/windows/Start Menu/Programs/Kestu Graphics" ] ||
  { echo "the advice did not bring the installer up:"; tail -n 5 advice.log; exit 1; }
echo "the advice brought the installer up"

Xvfb :77 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 & xpid=$!
export DISPLAY=:77
scripts/demo.sh & pid=$!
for i in $(seq 1 900); do
  if xwininfo -root -tree 2>/dev/null | grep -q "Kestu Calendar Reminder Program Installation"; then
    echo "the installer window is up"; kill $pid; kill $xpid; exit 0
  fi
  kill -0 $pid 2>/dev/null || break
  sleep 1
done
echo "no installer window came up"
kill $pid $xpid 2>/dev/null; exit 1
EOS
  machine_run "$base-demo" "$base-demo.log" 'bash demo-check.sh'
  demo_rc=$?
  tail -n 3 "$base-demo.log"
fi

echo "fresh machine: test rc=$test_rc demo rc=$demo_rc"
[ "$test_rc" -eq 0 ] && [ "$demo_rc" -eq 0 ]
