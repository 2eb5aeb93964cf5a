# Helpers for driving the real setup window on a private X server, as a person
# would: keys and clicks through xdotool, waits by polling, screenshots.
# Sourced by run_case.sh. Needs: SETUP_BINARY, MEDIA_DIR, E2E_OUT.

set -u

E2E_TIMEOUT=${E2E_TIMEOUT:-20}  # seconds any one wait may take
XVFB_PID=""
WM_PID=""
SETUP_PID=""
SHOT=0

fail() {
  echo "FAIL: $*" >&2
  screenshot "failure" || true
  exit 1
}

cleanup() {
  for pid in "$SETUP_PID" "$WM_PID" "$XVFB_PID"; do
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
  done
  for pid in "$SETUP_PID" "$WM_PID" "$XVFB_PID"; do
    [ -n "$pid" ] && wait "$pid" 2>/dev/null
  done
  return 0
}

require_tools() {
  for tool in Xvfb xdotool openbox xprop xdpyinfo xwininfo /usr/bin/import; do
    if ! command -v "$tool" >/dev/null 2>&1; then
      echo "SKIP: $tool is not installed" >&2
      exit 77
    fi
  done
}

# Polls a command until it succeeds; fails the case with the description after the timeout.
wait_for() {
  local description=$1
  shift
  local deadline=$((SECONDS + E2E_TIMEOUT))
  until "$@" >/dev/null 2>&1; do
    [ "$SECONDS" -ge "$deadline" ] && fail "timed out waiting for $description"
    sleep 0.05
  done
}

# An X server of our own at 96 pixels per inch, on a display number the server
# itself finds free (its lock files make that safe against parallel cases).
start_display() {
  : >"$CASE_DIR/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi 96 -nolisten tcp -noreset \
    3>"$CASE_DIR/display" >"$CASE_DIR/xvfb.log" 2>&1 &
  XVFB_PID=$!
  wait_for "the X server" test -s "$CASE_DIR/display"
  export DISPLAY=":$(tr -d '[:space:]' <"$CASE_DIR/display")"
  wait_for "the X server to answer" xdpyinfo
}

wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }

# The window manager gives the frames with their close boxes, and the focus.
start_window_manager() {
  XDG_CONFIG_HOME="$CASE_DIR/xdg" openbox --sm-disable >"$CASE_DIR/wm.log" 2>&1 &
  WM_PID=$!
  wait_for "the window manager" wm_running
}

# A copy of the medium with the setup program on it, and an empty prefix.
prepare_medium() {
  MEDIUM="$CASE_DIR/medium"
  PREFIX="$CASE_DIR/prefix"
  rm -rf "$MEDIUM" "$PREFIX"
  mkdir -p "$MEDIUM"
  cp -r "$MEDIA_DIR"/. "$MEDIUM"/
  cp "$SETUP_BINARY" "$MEDIUM/setup"
  DRIVE_C="$PREFIX/drive_c"
}

start_setup() {
  (cd "$MEDIUM" && exec env WINEPREFIX="$PREFIX" ./setup) >>"$CASE_DIR/setup.log" 2>&1 &
  SETUP_PID=$!
  wait_for "the installer window" window_named "^Kestu Calendar Reminder Program Installation $"
  MAIN_WINDOW=$(window_named "^Kestu Calendar Reminder Program Installation $")
  wait_for "the installer window to have the focus" has_focus "$MAIN_WINDOW"
}

window_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 | grep .; }
has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }
window_gone() { ! xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
process_gone() { ! kill -0 "$1" 2>/dev/null; }

# Waits for a dialog with this title to be shown and to have the focus; sets DIALOG.
wait_dialog() {
  wait_for "the dialog \"$1\"" window_named "^$1\$"
  DIALOG=$(window_named "^$1\$")
  wait_for "the dialog \"$1\" to have the focus" has_focus "$DIALOG"
}

# Waits for the setup program to end and checks its exit code.
expect_exit_code() {
  wait_for "the installer to end" process_gone "$SETUP_PID"
  local code=0
  wait "$SETUP_PID" || code=$?
  SETUP_PID=""
  [ "$code" -eq "$1" ] || fail "exit code $code, expected $1"
}

keys() { xdotool key --delay 30 "$@"; }
type_text() { xdotool type --delay 30 "$1"; }

# Clicks at a point given relative to a window's client area.
click_in() {
  local window=$1 x=$2 y=$3
  xdotool mousemove --window "$window" "$x" "$y" click 1
}

# Clicks the close box in the frame the window manager drew: the right end of
# the title bar.
click_close_box() {
  local window=$1
  local extents left right top x y width
  extents=$(xprop -id "$window" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  read -r left right top _ <<<"$extents"
  x=$(xwininfo -id "$window" | sed -n 's/.*Absolute upper-left X: *//p')
  y=$(xwininfo -id "$window" | sed -n 's/.*Absolute upper-left Y: *//p')
  width=$(xwininfo -id "$window" | sed -n 's/.*Width: *//p')
  xdotool mousemove $((x + width + right - 9)) $((y - top / 2)) click 1
}

# Saves the whole screen as the next numbered picture of the case.
screenshot() {
  SHOT=$((SHOT + 1))
  local name
  name="$CASE_DIR/$(printf '%02d' "$SHOT")-$1"
  /usr/bin/import -window root "$name.png" 2>/dev/null
  # The installer window alone, in its frame, as the README shows it.
  if [ -n "${MAIN_WINDOW:-}" ]; then
    /usr/bin/import -window "$MAIN_WINDOW" -frame "$name-window.png" 2>/dev/null
  fi
  return 0
}

expect_path() { [ -e "$1" ] || fail "expected $1 to exist"; }
expect_no_path() { [ ! -e "$1" ] || fail "expected $1 not to exist"; }
