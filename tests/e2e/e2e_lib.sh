# Helpers for driving the real setup window on a private X server, as a person
# would: keys and clicks through xdotool, waits by polling, and checks that
# read the window's pixels back. Sourced by run_case.sh. Needs: SETUP_BINARY,
# MEDIA_DIR, E2E_OUT, E2E_PIXELS, E2E_HOLD_LIBRARY, E2E_SOURCE; and, for
# PREFIX_LAYOUT=wine, E2E_MAKE_WINE_PREFIX.

set -u

# Seconds any one wait may take: generous, so that a loaded machine running
# two cases and a build at once never times a case out.
E2E_TIMEOUT=${E2E_TIMEOUT:-90}
XVFB_PID=""
WM_PID=""
SETUP_PID=""
SHOT=0
IMPORT=/usr/bin/import
CONVERT=/usr/bin/convert

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
  for tool in Xvfb xdotool openbox fluxbox xprop xrdb xdpyinfo xwininfo tesseract "$IMPORT" "$CONVERT"; do
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

# ---------------------------------------------------------------------------
# The display, its resolution and the window manager

# An X server of our own, on a display number the server itself finds free
# (its lock files make that safe against parallel cases):
#   start_display [SIZE [DPI [XFT_DPI]]]
# SIZE is the screen's WIDTHxHEIGHT (1024x768), DPI the screen's resolution
# (96); XFT_DPI, where given, is the desktop's setting, published the way
# desktops do, as Xft.dpi in the resource database. SCALE_DPI is then the
# resolution the window is laid out for: Xft.dpi where set, else the screen's.
start_display() {
  SCREEN_SIZE=${1:-1024x768}
  local dpi=${2:-96} xftDpi=${3:-}
  SCREEN_WIDTH=${SCREEN_SIZE%x*}
  SCREEN_HEIGHT=${SCREEN_SIZE#*x}
  SCALE_DPI=${xftDpi:-$dpi}
  : >"$CASE_DIR/display"
  Xvfb -displayfd 3 -screen 0 "${SCREEN_SIZE}x24" -dpi "$dpi" -nolisten tcp -noreset \
    3>"$CASE_DIR/display" >"$CASE_DIR/xvfb.log" 2>&1 &
  XVFB_PID=$!
  wait_for "the X server" test -s "$CASE_DIR/display"
  export DISPLAY=":$(tr -d '[:space:]' <"$CASE_DIR/display")"
  wait_for "the X server to answer" xdpyinfo
  if [ -n "$xftDpi" ]; then
    echo "Xft.dpi: $xftDpi" | xrdb -merge - || fail "xrdb could not set Xft.dpi"
  fi
}

# Stops the X server (and the window manager and setup on it), for a case
# that tries several screens one after the other.
stop_display() {
  cleanup
  SETUP_PID=""
  WM_PID=""
  XVFB_PID=""
}

wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }

# The window manager gives the frames with their close boxes, and the focus:
#   start_window_manager [openbox|fluxbox]
# openbox draws what it likes in a title bar; fluxbox honours the Motif hints
# a window gives for its title-bar buttons.
start_window_manager() {
  WINDOW_MANAGER=${1:-openbox}
  case "$WINDOW_MANAGER" in
    openbox)
      XDG_CONFIG_HOME="$CASE_DIR/xdg" openbox --sm-disable >"$CASE_DIR/wm.log" 2>&1 &
      ;;
    fluxbox)
      # A home of its own with a plain configuration: no wallpaper to set.
      mkdir -p "$CASE_DIR/home/.fluxbox"
      cp "$E2E_SOURCE/fluxbox/init" "$E2E_SOURCE/fluxbox/overlay" "$CASE_DIR/home/.fluxbox/"
      HOME="$CASE_DIR/home" fluxbox -rc "$CASE_DIR/home/.fluxbox/init" >"$CASE_DIR/wm.log" 2>&1 &
      ;;
    *) fail "unknown window manager $WINDOW_MANAGER" ;;
  esac
  WM_PID=$!
  wait_for "the window manager" wm_running
}

# A design value of the window's layout (120 pixels per inch) in screen
# pixels, rounded as the class library's form scaling rounds.
scaled() { echo $((($1 * SCALE_DPI * 2 + 120) / 240)); }

# The same for the dialogs, which are laid out at 96 pixels per inch.
dialog_scaled() { echo $((($1 * SCALE_DPI * 2 + 96) / 192)); }

# ---------------------------------------------------------------------------
# The prefix: where the shell folders are and what drive C: holds. Every case
# lays it out here, and reads its places from the variables set here, so that
# another kind of prefix is one more branch of lay_out_prefix.

# A copy of the medium with the setup program on it (MEDIUM, and
# MEDIUM_AT_START: what it holds, one entry a line), and the prefix.
prepare_medium() {
  MEDIUM="$CASE_DIR/medium"
  rm -rf "$MEDIUM"
  mkdir -p "$MEDIUM"
  cp -r "$MEDIA_DIR"/. "$MEDIUM"/
  cp "$SETUP_BINARY" "$MEDIUM/setup"
  MEDIUM_AT_START=$(cd "$MEDIUM" && find . -mindepth 1 | sort)
  lay_out_prefix "$PREFIX_LAYOUT"
}

# Sets PREFIX, DRIVE_C, PROGRAM_GROUP (the folder start-up creates under the
# Windows directory's Start Menu, where that menu exists), LINK_FOLDER (where
# the Start-menu shortcuts are saved: "Kestu Graphics" in the user's Programs
# folder), DESKTOP_FOLDER (the Windows directory's desktop, where the desktop
# shortcut goes) with HAS_DESKTOP (1 where that folder exists, else 0), and
# DRIVE_C_AT_START: what drive C: holds once setup has started, before
# anything is installed, one entry a line.
lay_out_prefix() {
  PREFIX="$CASE_DIR/prefix"
  DRIVE_C="$PREFIX/drive_c"
  rm -rf "$PREFIX"
  case "$1" in
    first-use)
      # No prefix at all: the layer lays out a minimal one at first use, with
      # the Programs and desktop folders under C:\windows.
      PROGRAM_GROUP="$DRIVE_C/windows/Start Menu/Programs/Kestu Graphics"
      LINK_FOLDER="$PROGRAM_GROUP"
      DESKTOP_FOLDER="$DRIVE_C/windows/desktop"
      HAS_DESKTOP=1
      DRIVE_C_AT_START=$(printf '%s\n' ./windows "./windows/Start Menu" "./windows/Start Menu/Programs" \
        "./windows/Start Menu/Programs/Kestu Graphics" ./windows/desktop)
      ;;
    wine)
      # A prefix of Wine's size and shape: megabytes of registry, the user's
      # Programs folder under C:\users, no Start Menu and no desktop folder
      # under C:\windows, so start-up makes nothing and no desktop shortcut
      # can be saved.
      "$E2E_MAKE_WINE_PREFIX" "$PREFIX" --user kestu || fail "the Wine-style prefix could not be laid out"
      PROGRAM_GROUP="$DRIVE_C/windows/Start Menu/Programs/Kestu Graphics"
      LINK_FOLDER="$DRIVE_C/users/kestu/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Kestu Graphics"
      DESKTOP_FOLDER="$DRIVE_C/windows/desktop"
      HAS_DESKTOP=0
      DRIVE_C_AT_START=$(cd "$DRIVE_C" && find . -mindepth 1)
      ;;
    *) fail "unknown prefix layout $1" ;;
  esac
}

# ---------------------------------------------------------------------------
# The setup program and its windows

start_setup() {
  HOLD_DIR="$CASE_DIR/hold"
  rm -rf "$HOLD_DIR"
  mkdir -p "$HOLD_DIR"
  # The hold library comes before the sanitizers' run-time in a sanitized
  # build, which that run-time would otherwise refuse.
  (cd "$MEDIUM" && exec env WINEPREFIX="$PREFIX" LD_PRELOAD="$E2E_HOLD_LIBRARY" \
    KESTU_E2E_HOLD_DIR="$HOLD_DIR" ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0" \
    ./setup) >>"$CASE_DIR/setup.log" 2>&1 &
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

wait_main_window_focus() {
  wait_for "the installer window to have the focus again" has_focus "$MAIN_WINDOW"
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
type_quickly() { xdotool type --delay 2 "$1"; }

# Clicks at a point given relative to a window's client area.
click_in() {
  local window=$1 x=$2 y=$3
  xdotool mousemove --window "$window" "$x" "$y" click 1
}

# A window's client area on the screen and the frame around it: sets
# CLIENT_X, CLIENT_Y, CLIENT_WIDTH, CLIENT_HEIGHT and FRAME_LEFT, FRAME_RIGHT,
# FRAME_TOP, FRAME_BOTTOM (zero where the window manager tells none).
read_geometry() {
  local info extents
  info=$(xwininfo -id "$1")
  CLIENT_X=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
  CLIENT_Y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
  CLIENT_WIDTH=$(sed -n 's/^ *Width: *//p' <<<"$info")
  CLIENT_HEIGHT=$(sed -n 's/^ *Height: *//p' <<<"$info")
  extents=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ',')
  read -r FRAME_LEFT FRAME_RIGHT FRAME_TOP FRAME_BOTTOM <<<"${extents:-0 0 0 0}"
}

# Clicks the close box in the frame the window manager drew: the right end of
# the title bar.
click_close_box() {
  read_geometry "$1"
  xdotool mousemove $((CLIENT_X + CLIENT_WIDTH + FRAME_RIGHT - 9)) $((CLIENT_Y - FRAME_TOP / 2)) click 1
}

# The window with its frame lies within the screen.
expect_within_screen() {
  local name=$1
  read_geometry "$2"
  local left=$((CLIENT_X - FRAME_LEFT)) top=$((CLIENT_Y - FRAME_TOP))
  local right=$((CLIENT_X + CLIENT_WIDTH + FRAME_RIGHT)) bottom=$((CLIENT_Y + CLIENT_HEIGHT + FRAME_BOTTOM))
  [ "$left" -ge 0 ] && [ "$top" -ge 0 ] && [ "$right" -le "$SCREEN_WIDTH" ] && [ "$bottom" -le "$SCREEN_HEIGHT" ] ||
    fail "$name spans $left,$top to $right,$bottom with its frame, beyond the screen of ${SCREEN_WIDTH}x$SCREEN_HEIGHT"
}

# The window with its frame is centred on the screen.
expect_centred() {
  local name=$1
  read_geometry "$2"
  local outerWidth=$((CLIENT_WIDTH + FRAME_LEFT + FRAME_RIGHT)) outerHeight=$((CLIENT_HEIGHT + FRAME_TOP + FRAME_BOTTOM))
  local left=$((CLIENT_X - FRAME_LEFT)) top=$((CLIENT_Y - FRAME_TOP))
  local expectedLeft=$(((SCREEN_WIDTH - outerWidth) / 2)) expectedTop=$(((SCREEN_HEIGHT - outerHeight) / 2))
  [ "$left" -eq "$expectedLeft" ] && [ "$top" -eq "$expectedTop" ] ||
    fail "$name with its frame (${outerWidth}x$outerHeight) stands at $left,$top, not centred at $expectedLeft,$expectedTop"
}

expect_client_size() {
  read_geometry "$MAIN_WINDOW"
  [ "$CLIENT_WIDTH" -eq "$1" ] && [ "$CLIENT_HEIGHT" -eq "$2" ] ||
    fail "the client area is ${CLIENT_WIDTH}x$CLIENT_HEIGHT at $SCALE_DPI dpi, expected $1x$2"
}

# What the window manager lets the user do with a window: move and close,
# neither minimise, maximise nor resize, as the dialog frame asks.
expect_dialog_frame_actions() {
  local actions action
  actions=$(xprop -id "$1" _NET_WM_ALLOWED_ACTIONS)
  for action in MOVE CLOSE; do
    grep -q "_NET_WM_ACTION_$action\b" <<<"$actions" || fail "$WINDOW_MANAGER does not allow $action: $actions"
  done
  for action in MINIMIZE MAXIMIZE_HORZ MAXIMIZE_VERT RESIZE; do
    grep -q "_NET_WM_ACTION_$action\b" <<<"$actions" && fail "$WINDOW_MANAGER allows $action: $actions"
  done
  return 0
}

# Saves the whole screen as the next numbered picture of the case, and the
# installer window alone in its frame, as the README shows it.
screenshot() {
  SHOT=$((SHOT + 1))
  SHOT_NAME="$CASE_DIR/$(printf '%02d' "$SHOT")-$1"
  "$IMPORT" -window root "$SHOT_NAME.png" 2>/dev/null
  if [ -n "${MAIN_WINDOW:-}" ]; then
    "$IMPORT" -window "$MAIN_WINDOW" -frame "$SHOT_NAME-window.png" 2>/dev/null
  fi
  return 0
}

expect_path() { [ -e "$1" ] || fail "expected $1 to exist"; }
expect_no_path() { [ ! -e "$1" ] || fail "expected $1 not to exist"; }

# ---------------------------------------------------------------------------
# Reading the window back

# The form's controls as its form resource lays them out at 120 pixels per
# inch: parent, left, top, width, height (relative to the parent), and how
# each draws its text.
declare -A CONTROL_PARENT=([GroupBox1]=Form1 [Edit1]=GroupBox1 [Button1]=Form1 [Button2]=Form1 [Button3]=Form1)
declare -A CONTROL_BOUNDS=([GroupBox1]="8 32 609 97" [Edit1]="10 36 583 34"
  [Button1]="113 176 75 41" [Button2]="433 176 75 41" [Button3]="273 176 75 41")
declare -A BUTTON_CAPTION=([Button1]=Install [Button2]=Cancel [Button3]=OK)
FORM_COLOUR=0,128,0           # clGreen
CAPTION_COLOUR=255,255,0      # the group box's clYellow
TEXT_COLOUR=0,0,0             # the edit's and the buttons' clBlack
SELECTION_COLOUR=0,0,128      # the edit's selection, with its text in white
SELECTED_TEXT_COLOUR=255,255,255
CAPTION_FONT_HEIGHT=17        # the group box's font, -17

# Prints "X Y WIDTH HEIGHT" of a control in the window's client area, scaled
# as the form scaling places it: each level's offset rounded on its own.
control_area() {
  local control=$1 x=0 y=0 left top width height
  read -r _ _ width height <<<"${CONTROL_BOUNDS[$control]}"
  while [ "$control" != Form1 ]; do
    read -r left top _ _ <<<"${CONTROL_BOUNDS[$control]}"
    x=$((x + $(scaled "$left")))
    y=$((y + $(scaled "$top")))
    control=${CONTROL_PARENT[$control]}
  done
  echo "$x $y $(scaled "$width") $(scaled "$height")"
}

# Areas that hold a control's text, inside its frame.
edit_text_area() {
  local x y width height
  read -r x y width height <<<"$(control_area Edit1)"
  echo "$((x + 3)) $((y + 3)) $((width - 6)) $((height - 6))"
}
caption_area() {
  # The caption line across the top of the box, above its lower frame line.
  local x y width height line
  read -r x y width height <<<"$(control_area GroupBox1)"
  line=$(($(scaled "$CAPTION_FONT_HEIGHT") * 3 / 2))
  echo "$((x + 3)) $y $((width - 6)) $line"
}
button_text_area() {
  # Inside the raised face and the dotted focus frame.
  local x y width height inset
  read -r x y width height <<<"$(control_area "$1")"
  inset=$(scaled 6)
  echo "$((x + inset)) $((y + inset)) $((width - 2 * inset)) $((height - 2 * inset))"
}

# A picture of the installer's client area, as a PPM for the readers and a
# PNG to look at: sets WINDOW_SHOT to the PPM.
grab_window() {
  SHOT=$((SHOT + 1))
  local name
  name="$CASE_DIR/$(printf '%02d' "$SHOT")-$1"
  "$IMPORT" -window "$MAIN_WINDOW" -depth 8 "$name.ppm" 2>/dev/null || fail "could not grab the installer window"
  "$CONVERT" "$name.ppm" "$name.png" 2>/dev/null
  WINDOW_SHOT="$name.ppm"
}

# The vertical strokes in the edit's picture.
count_bars() {
  # shellcheck disable=SC2046
  "$E2E_PIXELS" strokes "$WINDOW_SHOT" $(edit_text_area)
}

# Checks the picture WINDOW_SHOT against what the controls hold:
#   check_window_shot STATE [caption TEXT] [edit TEXT | selected TEXT | bars N]
#                           [buttons NAME... | hidden NAME...]
# Caption and edit texts are read with OCR and must match closely; bars are
# counted exactly. With buttons, the buttons named must show their captions
# and the others must not be drawn at all; with hidden, only the buttons
# named are checked, for not being drawn. The edit and the buttons shown must be drawn
# whole. Prints what differs; succeeds when
# nothing does.
check_window_shot() {
  local state=$1
  shift
  local caption="" edit="" editKind="" bars="" shown="" hidden=""
  while [ $# -gt 0 ]; do
    case "$1" in
      caption) caption=$2; shift 2 ;;
      edit | selected) editKind=$1; edit=$2; shift 2 ;;
      bars) bars=$2; shift 2 ;;
      buttons) shift; shown=" $* "; hidden=all; break ;;
      hidden) shift; hidden=" $* "; break ;;
      *) fail "check_window_shot: unknown item $1" ;;
    esac
  done

  local problems="" pieces=() labels=() expected=() base="${WINDOW_SHOT%.ppm}"
  # Cuts a control's text out for OCR: add_piece NAME LABEL EXPECTED AREA INK [--within COLOUR]
  add_piece() {
    local name=$1 label=$2 text=$3
    shift 3
    # shellcheck disable=SC2086,SC2068
    "$E2E_PIXELS" text "$WINDOW_SHOT" $1 "$2" "$base-$name.pgm" "${@:3}" || return 1
    pieces+=("$base-$name.pgm"); labels+=("$label"); expected+=("$text")
  }
  {
    [ -z "$caption" ] || add_piece GroupBox1 "GroupBox1's caption" "$caption" "$(caption_area)" "$CAPTION_COLOUR"
  } && {
    [ "$editKind" != edit ] || add_piece Edit1 "Edit1's text" "$edit" "$(edit_text_area)" "$TEXT_COLOUR"
  } && {
    [ "$editKind" != selected ] || add_piece Edit1 "Edit1's selected text" "$edit" "$(edit_text_area)" \
      "$SELECTED_TEXT_COLOUR" --within "$SELECTION_COLOUR"
  } || { echo "$state: the picture $WINDOW_SHOT could not be read"; return 1; }

  # A control drawn whole shows none of the window's green inside it.
  drawn_whole() {
    local found
    # shellcheck disable=SC2046
    found=$("$E2E_PIXELS" absent "$WINDOW_SHOT" $(control_area "$1") "$FORM_COLOUR") ||
      problems+="$1 is not drawn whole: $found pixels of the window's green show through it; "
  }
  [ -z "$editKind$bars" ] || drawn_whole Edit1

  local button
  for button in Button1 Button2 Button3; do
    if [[ "$shown" == *" $button "* ]]; then
      drawn_whole "$button"
      add_piece "$button" "$button's caption" "${BUTTON_CAPTION[$button]}" "$(button_text_area "$button")" \
        "$TEXT_COLOUR" || { echo "$state: the picture $WINDOW_SHOT could not be read"; return 1; }
    elif [ "$hidden" = all ] || [[ "$hidden" == *" $button "* ]]; then
      # shellcheck disable=SC2046
      "$E2E_PIXELS" plain "$WINDOW_SHOT" $(control_area "$button") "$FORM_COLOUR" >/dev/null ||
        problems+="$button is hidden but drawn; "
    fi
  done

  if [ -n "$bars" ]; then
    local counted
    counted=$(count_bars)
    [ "$counted" = "$bars" ] || problems+="Edit1 holds $bars bars but the screen shows $counted; "
  fi

  if [ ${#pieces[@]} -gt 0 ]; then
    # One OCR run for all the pieces: each is one line, and the readings
    # come back in order, separated by form feeds.
    printf '%s\n' "${pieces[@]}" >"$base-ocr.list"
    OMP_THREAD_LIMIT=1 tesseract "$base-ocr.list" "$base-ocr" --psm 7 >/dev/null 2>&1 ||
      { echo "$state: tesseract failed on $base-ocr.list"; return 1; }
    local readings=() reading index
    mapfile -d $'\f' -t readings <"$base-ocr.txt"
    for index in "${!pieces[@]}"; do
      reading=$(tr '\n' ' ' <<<"${readings[$index]:-}" | sed 's/^ *//; s/ *$//')
      "$E2E_PIXELS" match "${expected[$index]}" "$reading" ||
        problems+="${labels[$index]} is \"${expected[$index]}\" but the screen reads \"$reading\"; "
    done
  fi

  [ -z "$problems" ] && return 0
  echo "$state: ${problems%; }"
  return 1
}

# Grabs the window and checks it (items as for check_window_shot). A window
# manager may still be taking a closed dialog's frame off the screen when the
# focus comes back: a reading that differs is taken again, a few times.
expect_window() {
  local state=$1 attempt report
  for attempt in 1 2 3; do
    grab_window "$state"
    report=$(check_window_shot "$@") && return 0
    sleep 0.5
  done
  fail "$report (picture $WINDOW_SHOT)"
}

# ---------------------------------------------------------------------------
# The transfer, held at each step (see hold.cpp)

# Waits for the program's next stop; sets HOLD_KIND (repaint or open) and HOLD_FILE.
next_hold() {
  local deadline=$((SECONDS + E2E_TIMEOUT)) line
  until [ -e "$HOLD_DIR/event" ]; do
    process_gone "$SETUP_PID" && fail "the installer ended while $1 was awaited"
    [ "$SECONDS" -ge "$deadline" ] && fail "timed out waiting for $1"
    sleep 0.02
  done
  line=$(cat "$HOLD_DIR/event")
  read -r _ HOLD_KIND HOLD_FILE <<<"$line"
}
release_hold() { rm -f "$HOLD_DIR/event"; }

# The bars the edit shows at the seven repaints of the transfer, and, by the
# number of the repaint, the program file whose copy follows it.
TRANSFER_BARS=(11 33 55 66 77 88 132)
TRANSFER_FILES=("" "" read_me.txt calendar.exe calendar.hlp printcal.txt calendar.dat "")

# Follows a transfer to its last repaint: at each repaint the edit shows the
# bars of that step (the first with the whole window read: the transfer
# caption, Install alone), and a copy that opens its file starts while the
# bars of the step before it are shown. Then the desktop question follows.
# With TRANSFER_PICTURE set, the framed window is saved there at the fifth repaint.
#   follow_transfer INSTALL_DIR
follow_transfer() {
  local caption="Please wait, files are being transfred to [$1]" step=0
  while [ "$step" -lt ${#TRANSFER_BARS[@]} ]; do
    next_hold "repaint $((step + 1)) of the transfer"
    if [ "$HOLD_KIND" = open ]; then
      [ "$step" -gt 0 ] && [ "$HOLD_FILE" = "${TRANSFER_FILES[$step]}" ] ||
        fail "the copy of $HOLD_FILE began after repaint $step of the transfer"
      grab_window "copy-$HOLD_FILE"
      local counted
      counted=$(count_bars)
      [ "$counted" = "${TRANSFER_BARS[$((step - 1))]}" ] ||
        fail "while $HOLD_FILE is copied, Edit1 holds ${TRANSFER_BARS[$((step - 1))]} bars but the screen shows $counted ($WINDOW_SHOT)"
      release_hold
      continue
    fi
    step=$((step + 1))
    if [ "$step" -eq 1 ]; then
      expect_window "repaint-1" caption "$caption" bars "${TRANSFER_BARS[0]}" buttons Button1
    else
      grab_window "repaint-$step"
      local report
      report=$(check_window_shot "repaint $step" bars "${TRANSFER_BARS[$((step - 1))]}" hidden Button2 Button3) ||
        fail "$report (picture $WINDOW_SHOT)"
    fi
    if [ -n "${TRANSFER_PICTURE:-}" ] && [ "$step" -eq 5 ]; then
      "$IMPORT" -window "$MAIN_WINDOW" -frame "$TRANSFER_PICTURE" 2>/dev/null
    fi
    release_hold
  done
}

# The repaint that shows the final state, after the desktop question.
release_final_repaint() {
  next_hold "the final repaint"
  [ "$HOLD_KIND" = repaint ] || fail "expected the final repaint, the program opened $HOLD_FILE"
  release_hold
}

# ---------------------------------------------------------------------------
# Message dialogs (laid out at 96 pixels per inch)

DIALOG_MARGIN=11
DIALOG_BUTTON_WIDTH=75
DIALOG_BUTTON_HEIGHT=23
DIALOG_BUTTON_GAP=6

# Clicks button INDEX (from 1) of COUNT in the dialog's centred button row.
click_dialog_button() {
  local dialog=$1 index=$2 count=$3
  read_geometry "$dialog"
  local width gap height margin rowWidth x y
  width=$(dialog_scaled $DIALOG_BUTTON_WIDTH)
  gap=$(dialog_scaled $DIALOG_BUTTON_GAP)
  height=$(dialog_scaled $DIALOG_BUTTON_HEIGHT)
  margin=$(dialog_scaled $DIALOG_MARGIN)
  rowWidth=$((count * width + (count - 1) * gap))
  x=$(((CLIENT_WIDTH - rowWidth) / 2 + (index - 1) * (width + gap) + width / 2))
  y=$((CLIENT_HEIGHT - margin - height / 2))
  click_in "$dialog" "$x" "$y"
}
