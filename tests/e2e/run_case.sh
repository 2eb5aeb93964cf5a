#!/usr/bin/env bash
# One end-to-end case of the setup program in its real window:
#   run_case.sh CASE
# with SETUP_BINARY, MEDIA_DIR, E2E_OUT, E2E_PIXELS, E2E_HOLD_LIBRARY and
# E2E_SOURCE in the environment. Exit 77 skips.
#
# Every state a case reaches is read back from the screen: the group box's
# caption and the edit's text by OCR, the progress bars by their strokes, the
# buttons shown by their captions, and a hidden button must leave the green
# untouched.
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/e2e_lib.sh"

CASE=${1:?case name}
PREFIX_LAYOUT=${PREFIX_LAYOUT:-first-use}
# A case in the other prefix has a folder of its own, and makes no README pictures.
CASE_DIR="$E2E_OUT/$CASE"
README_PICTURES="$E2E_OUT/readme"
if [ "$PREFIX_LAYOUT" != first-use ]; then
  CASE_DIR="$CASE_DIR.$PREFIX_LAYOUT"
  README_PICTURES="$CASE_DIR/readme"
fi
rm -rf "$CASE_DIR"
mkdir -p "$CASE_DIR"
require_tools
trap cleanup EXIT

ENTER_CAPTION="Enter desired Kestu Calendar directory path."
ADVICE="Use [Start Menu][Kestu Graphics] to run Calendar."
ADVICE_WITH_ICON="Use [Start Menu][Kestu Graphics] or the desktop [Icon] to run Calendar."
installed_caption() { echo "Kestu Dereviza Razozire is installed in [$1]"; }
# After Yes to the desktop question: the advice, and the shortcut checked on
# disk. The desktop folder is the Windows directory's, which a prefix laid
# out by Wine does not have; the advice then names the Start menu alone.
advice_after_yes() { if [ "$HAS_DESKTOP" = 1 ]; then echo "$ADVICE_WITH_ICON"; else echo "$ADVICE"; fi; }
expect_desktop_link() {
  if [ "$HAS_DESKTOP" = 1 ]; then expect_path "$DESKTOP_FOLDER/Calendar.lnk"; else expect_no_path "$DESKTOP_FOLDER"; fi
}

# Points to click, in the window's client area at the display's scale.
point_in() {
  local x y width height
  read -r x y width height <<<"$(control_area "$1")"
  echo "$((x + width / 2)) $((y + height / 2))"
}
click_control() {
  # shellcheck disable=SC2046
  click_in "$MAIN_WINDOW" $(point_in "$1")
}
click_edit_end() {
  local x y width height
  read -r x y width height <<<"$(control_area Edit1)"
  click_in "$MAIN_WINDOW" $((x + width - 10)) $((y + height / 2))
}

# The window as start-up leaves it: the proposal selected, Install and Cancel.
expect_ready_window() {
  expect_window "${2:-start}" caption "$ENTER_CAPTION" selected "$1" buttons Button1 Button2
}

# Tab from the edit to Install: the edit shows its text, no longer selected.
tab_to_install() {
  keys Tab
  expect_window "install-focused" caption "$ENTER_CAPTION" edit "$1" buttons Button1 Button2
}

# The window once an installation is complete: only OK is left.
expect_finished_window() {
  wait_main_window_focus
  expect_window "finished" caption "$1" edit "$2" buttons Button3
}

# Only the program group folder is new under drive C: afterwards.
expect_untouched_drive() {
  local entries
  entries=$(cd "$DRIVE_C" && find . -mindepth 1 | sort)
  [ "$entries" = "$(sort <<<"$DRIVE_C_AT_START")" ] || fail "drive C: holds: $(tr '\n' ' ' <<<"$entries")"
}

# The five program files of the medium and the batch file are in the directory.
expect_installed_into() {
  local dir=$1 windowsName=$2 file
  for file in read_me.txt calendar.exe calendar.hlp printcal.txt calendar.dat; do
    cmp -s "$MEDIUM/$file" "$DRIVE_C/$dir/$file" || fail "$file was not copied into $dir"
  done
  expect_path "$DRIVE_C/$dir/merge"
  printf 'xcopy/y/I a:\\*.dat %s\\merge\r\n' "$windowsName" | cmp -s - "$DRIVE_C/$dir/Merge.bat" ||
    fail "Merge.bat in $dir does not hold its one line"
  for link in Read_me PrintCal Calendar; do
    expect_path "$LINK_FOLDER/$link.lnk"
  done
}

# A run into a new directory, from the press of Install to the desktop
# question: the information dialog answered with a key, the transfer followed.
install_into_new() {
  wait_dialog "Information"
  keys "$2"
  follow_transfer "$1"
  wait_dialog "Confirm"
}

# A run into an existing directory, from the press of Install: Yes to using
# it, the transfer followed, No to a desktop icon.
install_into_existing() {
  wait_dialog "Confirm"
  keys Return
  follow_transfer "$1"
  wait_dialog "Confirm"
  keys n
}

# From Install, back into the edit (Shift+Tab selects its text), C:\Kestu
# typed and installed into, as it exists.
install_again_into_kestu() {
  keys shift+Tab
  type_text 'C:\Kestu'
  click_control Button1
  install_into_existing 'C:\Kestu'
}

# The installer on one screen: its client area exactly the layout scaled to
# the desktop's resolution, centred with its frame, every text readable.
#   expect_scaled_window SIZE DPI XFT_DPI WIDTH HEIGHT
expect_scaled_window() {
  start_display "$1" "$2" "$3"
  start_window_manager; prepare_medium; start_setup
  expect_client_size "$4" "$5"
  expect_centred "the installer window" "$MAIN_WINDOW"
  expect_ready_window 'C:\Kestu' "start-$1-$2-${3:-screen}"
  tab_to_install 'C:\Kestu'
}

# A long path typed into the edit: the dialog that names it wraps its text,
# stays within the screen, and its buttons are there to be clicked.
#   expect_long_path_dialog PATH TITLE BUTTON_INDEX BUTTON_COUNT
expect_long_path_dialog() {
  keys shift+Tab
  type_quickly "$1"
  click_control Button1
  wait_dialog "$2"
  screenshot "$(echo "$2" | tr '[:upper:]' '[:lower:]')-${#1}"
  expect_within_screen "the dialog for a path of ${#1} characters" "$DIALOG"
  read_geometry "$DIALOG"
  [ "$CLIENT_HEIGHT" -gt "$(dialog_scaled 100)" ] ||
    fail "the dialog for a path of ${#1} characters is ${CLIENT_HEIGHT} pixels high: its text is not wrapped"
  click_dialog_button "$DIALOG" "$3" "$4"
  wait_for "the dialog \"$2\" to close when its button is clicked" window_gone "^$2\$"
  wait_main_window_focus
}

repeat() { printf "%${2}s" "" | tr ' ' "$1"; }

case "$CASE" in

  # Focus starts in the edit with its text selected; Tab visits Install and
  # Cancel and comes back to the edit, never to the hidden OK; typing replaces
  # the whole proposal; Escape and Return in the edit do nothing. The edit
  # shows its text while typing and after Tab and Shift+Tab.
  start_state)
    start_display; start_window_manager; prepare_medium; start_setup
    expect_ready_window 'C:\Kestu'
    keys Escape Return
    type_text 'C:\Typed'
    expect_window "typed" caption "$ENTER_CAPTION" edit 'C:\Typed' buttons Button1 Button2
    keys Tab
    expect_window "after-tab" caption "$ENTER_CAPTION" edit 'C:\Typed' buttons Button1 Button2
    keys Tab Tab
    expect_window "tabbed-round" caption "$ENTER_CAPTION" selected 'C:\Typed' buttons Button1 Button2
    type_text 'C:\Cycled'
    keys Tab shift+Tab
    expect_window "after-shift-tab" caption "$ENTER_CAPTION" selected 'C:\Cycled' buttons Button1 Button2
    keys Tab space
    install_into_new 'C:\Cycled' Return
    keys n
    release_final_repaint
    wait_for "Merge.bat" test -e "$DRIVE_C/Cycled/Merge.bat"
    expect_no_path "$DRIVE_C/Kestu"
    expect_no_path "$DRIVE_C/Typed"
    expect_installed_into Cycled 'C:\Cycled'
    expect_no_path "$DESKTOP_FOLDER/Calendar.lnk"
    expect_finished_window "$(installed_caption 'C:\Cycled')" "$ADVICE"
    # Install and Cancel are gone: Tab finds OK.
    keys Tab space
    expect_exit_code 0
    ;;

  # A fresh directory, Install pressed from the keyboard: the information
  # dialog closed by its close box, the desktop question answered Yes by its
  # mnemonic.
  fresh_install)
    start_display; start_window_manager; prepare_medium; start_setup
    expect_ready_window 'C:\Kestu'
    tab_to_install 'C:\Kestu'
    keys Return
    wait_dialog "Information"
    screenshot "information"
    click_close_box "$DIALOG"
    follow_transfer 'C:\Kestu'
    wait_dialog "Confirm"
    screenshot "confirm"
    keys alt+y
    release_final_repaint
    wait_for "Merge.bat" test -e "$DRIVE_C/Kestu/Merge.bat"
    expect_installed_into Kestu 'C:\Kestu'
    expect_desktop_link
    expect_finished_window "$(installed_caption 'C:\Kestu')" "$(advice_after_yes)"
    click_close_box "$MAIN_WINDOW"
    expect_exit_code 0
    ;;

  # An existing directory: No leaves it untouched and the window ready again;
  # a click at the end of the edit places the cursor there, so typing appends.
  existing_directory)
    start_display; start_window_manager; prepare_medium
    mkdir -p "$DRIVE_C/Existing"
    start_setup
    type_text 'C:\Existing'
    keys Tab Return
    wait_dialog "Confirm"
    screenshot "confirm"
    keys Escape
    wait_main_window_focus
    expect_window "declined" caption "$ENTER_CAPTION" edit 'C:\Existing' buttons Button1 Button2
    expect_no_path "$DRIVE_C/Existing/merge"
    expect_no_path "$DRIVE_C/Existing/Merge.bat"
    click_edit_end
    type_text '2'
    expect_window "appended" caption "$ENTER_CAPTION" edit 'C:\Existing2' buttons Button1 Button2
    click_control Button1
    install_into_new 'C:\Existing2' Escape
    keys Return
    release_final_repaint
    wait_for "Merge.bat" test -e "$DRIVE_C/Existing2/Merge.bat"
    expect_installed_into Existing2 'C:\Existing2'
    expect_no_path "$DRIVE_C/Existing/merge"
    expect_finished_window "$(installed_caption 'C:\Existing2')" "$(advice_after_yes)"
    keys Tab Return
    expect_exit_code 0
    ;;

  # Leaving at once, by Cancel or by the close box: exit code 0 and nothing
  # but the program group folder on disk.
  cancel_at_start)
    start_display; start_window_manager; prepare_medium; start_setup
    expect_ready_window 'C:\Kestu'
    tab_to_install 'C:\Kestu'
    click_control Button2
    expect_exit_code 0
    expect_untouched_drive
    start_setup
    expect_ready_window 'C:\Kestu' "second-start"
    click_close_box "$MAIN_WINDOW"
    expect_exit_code 0
    expect_untouched_drive
    ;;

  # The whole run from a fresh prefix, centred with its frame: Return takes
  # the default answers (OK, then Yes to the desktop icon), and OK ends the
  # program. Its pictures are the README's.
  full_run)
    start_display; start_window_manager; prepare_medium; start_setup
    mkdir -p "$README_PICTURES"
    expect_centred "the installer window" "$MAIN_WINDOW"
    expect_ready_window 'C:\Kestu'
    "$IMPORT" -window "$MAIN_WINDOW" -frame "$README_PICTURES/window-start.png"
    type_text 'C:\Kes'
    expect_window "typing" caption "$ENTER_CAPTION" edit 'C:\Kes' buttons Button1 Button2
    "$IMPORT" -window "$MAIN_WINDOW" -frame "$README_PICTURES/window-typing.png"
    type_text 'tu'
    click_control Button1
    wait_dialog "Information"
    expect_centred "the information dialog" "$DIALOG"
    keys Return
    TRANSFER_PICTURE="$README_PICTURES/window-progress.png" follow_transfer 'C:\Kestu'
    wait_dialog "Confirm"
    expect_centred "the desktop question" "$DIALOG"
    screenshot "desktop-question"
    keys Return
    release_final_repaint
    wait_for "Merge.bat" test -e "$DRIVE_C/Kestu/Merge.bat"
    expect_installed_into Kestu 'C:\Kestu'
    expect_desktop_link
    expect_finished_window "$(installed_caption 'C:\Kestu')" "$(advice_after_yes)"
    "$IMPORT" -window "$MAIN_WINDOW" -frame "$README_PICTURES/window-finished.png"
    click_control Button3
    expect_exit_code 0
    ;;

  # An earlier installation, and a medium that lacks one of its files: the copy
  # fails, the old file stays, and the window reports the missing update.
  missing_update)
    start_display; start_window_manager; prepare_medium
    mkdir -p "$DRIVE_C/Kestu"
    printf 'an older read-me\r\n' > "$DRIVE_C/Kestu/read_me.txt"
    rm "$MEDIUM/read_me.txt"
    start_setup
    expect_ready_window 'C:\Kestu'
    tab_to_install 'C:\Kestu'
    keys space
    install_into_existing 'C:\Kestu'
    release_final_repaint
    wait_for "Merge.bat" test -e "$DRIVE_C/Kestu/Merge.bat"
    printf 'an older read-me\r\n' | cmp -s - "$DRIVE_C/Kestu/read_me.txt" || fail "the older read-me was not kept"
    expect_path "$LINK_FOLDER/Read_me.lnk"
    expect_finished_window "Missing updates for read_me.txt ." \
      "Kestu Dereviza Razozire installation not completed, but it may run ok."
    click_control Button3
    expect_exit_code 0
    ;;

  # Failures shown as real message boxes: a directory that cannot be made, in
  # an error dialog; a read-only Merge.bat, in the exception box titled by the
  # program's name. Install stays; a press then reads the advice left in the
  # edit, which is no directory and is refused; the directory typed again
  # starts a new run.
  error_boxes)
    start_display; start_window_manager; prepare_medium
    mkdir -p "$DRIVE_C/Kestu"
    printf 'kept\r\n' > "$DRIVE_C/Kestu/Merge.bat"
    chmod a-w "$DRIVE_C/Kestu/Merge.bat"
    start_setup
    type_text 'C:\missing\Kestu'
    expect_window "typed" caption "$ENTER_CAPTION" edit 'C:\missing\Kestu' buttons Button1 Button2
    click_control Button1
    wait_dialog "Error"
    screenshot "error"
    keys Return
    wait_main_window_focus
    expect_window "after-error" caption "$ENTER_CAPTION" edit 'C:\missing\Kestu' buttons Button1 Button2
    expect_no_path "$DRIVE_C/missing"
    install_again_into_kestu
    wait_dialog "setup"
    screenshot "exception"
    keys Return
    wait_main_window_focus
    # The texts of the finished run are shown, and Install is left for another try.
    expect_window "after-exception" caption "$(installed_caption 'C:\Kestu')" edit "$ADVICE" buttons Button1
    printf 'kept\r\n' | cmp -s - "$DRIVE_C/Kestu/Merge.bat" || fail "the read-only Merge.bat changed"
    chmod u+w "$DRIVE_C/Kestu/Merge.bat"
    # The edit holds the advice now, and a press of Install reads it: no full
    # path, refused before anything is made in the current folder, the medium.
    links_before=$(cd "$LINK_FOLDER" && md5sum ./*.lnk)
    click_control Button1
    wait_dialog "Error"
    screenshot "advice-refused"
    keys Return
    wait_main_window_focus
    expect_window "advice-refused" caption "$(installed_caption 'C:\Kestu')" edit "$ADVICE" buttons Button1 Button2
    [ "$(cd "$MEDIUM" && find . -mindepth 1 | sort)" = "$MEDIUM_AT_START" ] || fail "the medium changed"
    [ "$(cd "$LINK_FOLDER" && md5sum ./*.lnk)" = "$links_before" ] || fail "the Start-menu shortcuts changed"
    # The directory typed again: a new run.
    install_again_into_kestu
    release_final_repaint
    wait_for "Merge.bat to be written" grep -q merge "$DRIVE_C/Kestu/Merge.bat"
    printf 'xcopy/y/I a:\\*.dat C:\\Kestu\\merge\r\n' | cmp -s - "$DRIVE_C/Kestu/Merge.bat" ||
      fail "Merge.bat does not hold its one line"
    expect_no_path "$MEDIUM/Use [Start Menu][Kestu Graphics] to run Calendar"
    expect_finished_window "$(installed_caption 'C:\Kestu')" "$ADVICE"
    click_control Button3
    expect_exit_code 0
    ;;

  # The target in two spellings on the host, Kestu and KESTU, the user's
  # calendar in the first: the copy goes there, and the calendar stays.
  two_spellings)
    start_display; start_window_manager; prepare_medium
    mkdir -p "$DRIVE_C/Kestu" "$DRIVE_C/KESTU"
    printf 'my reminders\r\n' > "$DRIVE_C/Kestu/calendar.dat"
    start_setup
    tab_to_install 'C:\Kestu'
    keys Return
    install_into_existing 'C:\Kestu'
    release_final_repaint
    wait_for "Merge.bat" test -e "$DRIVE_C/Kestu/Merge.bat"
    printf 'my reminders\r\n' | cmp -s - "$DRIVE_C/Kestu/calendar.dat" || fail "the user's calendar was overwritten"
    [ -z "$(ls -A "$DRIVE_C/KESTU")" ] || fail "KESTU holds: $(ls -A "$DRIVE_C/KESTU")"
    cmp -s "$MEDIUM/calendar.exe" "$DRIVE_C/Kestu/calendar.exe" || fail "calendar.exe was not copied into Kestu"
    expect_finished_window "$(installed_caption 'C:\Kestu')" "$ADVICE"
    click_control Button3
    expect_exit_code 0
    ;;

  # No Programs folder where the registry names it: no Start-menu shortcut
  # can be saved, and the advice names only the desktop icon that was, or,
  # where there is no desktop folder either, where Calendar is.
  no_programs_folder)
    start_display; start_window_manager; prepare_medium; start_setup
    rm -rf "$(dirname "$LINK_FOLDER")"
    tab_to_install 'C:\Kestu'
    keys Return
    install_into_new 'C:\Kestu' Return
    keys y
    release_final_repaint
    wait_for "Merge.bat" test -e "$DRIVE_C/Kestu/Merge.bat"
    expect_no_path "$LINK_FOLDER"
    expect_desktop_link
    if [ "$HAS_DESKTOP" = 1 ]; then advice="Use the desktop [Icon] to run Calendar."
    else advice="Calendar is installed in [C:\Kestu]."; fi
    expect_finished_window "$(installed_caption 'C:\Kestu')" "$advice"
    click_control Button3
    expect_exit_code 0
    ;;

  # Paths of 300 and 3,000 characters without a blank give an error dialog,
  # and the longest the installer takes (146 characters), existing, the
  # question whether to use it:
  # each dialog wraps its text, fits a small screen with its frame, and
  # closes when its button is clicked. The window is ready again afterwards.
  long_path_dialogs)
    start_display 800x600; start_window_manager; prepare_medium
    existing="C:\\$(repeat m 143)"
    mkdir -p "$DRIVE_C/$(repeat m 143)"
    start_setup
    tab_to_install 'C:\Kestu'
    expect_long_path_dialog "C:\\$(repeat a 297)" "Error" 1 1
    expect_long_path_dialog "C:\\$(repeat k 2997)" "Error" 1 1
    expect_long_path_dialog "$existing" "Confirm" 2 2
    expect_no_path "$DRIVE_C/$(repeat m 143)/merge"
    expect_window "ready-again" caption "$ENTER_CAPTION" buttons Button1 Button2
    click_control Button2
    expect_exit_code 0
    ;;

  # The scale follows the desktop: the screen's resolution rounded to a whole
  # number, or Xft.dpi where the desktop sets it.
  dpi_96)
    expect_scaled_window 1024x768 96 "" 498 217
    click_control Button2
    expect_exit_code 0
    ;;
  dpi_120)
    # The layout's own resolution: the client area as designed, on any screen size.
    expect_scaled_window 1280x1024 120 "" 622 271
    click_control Button2
    expect_exit_code 0
    stop_display
    expect_scaled_window 1024x768 120 "" 622 271
    click_control Button2
    expect_exit_code 0
    ;;
  dpi_144_screen)
    expect_scaled_window 1280x1024 144 "" 746 325
    click_control Button2
    expect_exit_code 0
    ;;
  dpi_144_xft)
    expect_scaled_window 1024x768 96 144 746 325
    click_control Button2
    expect_exit_code 0
    ;;
  dpi_192_xft)
    # Twice the size of a 96 dpi screen, read back through a whole run.
    expect_scaled_window 1280x1024 96 192 995 434
    click_control Button1
    install_into_new 'C:\Kestu' Return
    keys n
    release_final_repaint
    expect_finished_window "$(installed_caption 'C:\Kestu')" "$ADVICE"
    click_control Button3
    expect_exit_code 0
    ;;

  # A window manager that honours the dialog frame's Motif hints: the window
  # and its dialogs may be moved and closed, not minimised, maximised or
  # resized, and stand centred with their frames.
  dialog_frame_fluxbox)
    start_display; start_window_manager fluxbox; prepare_medium; start_setup
    expect_dialog_frame_actions "$MAIN_WINDOW"
    expect_centred "the installer window" "$MAIN_WINDOW"
    expect_ready_window 'C:\Kestu'
    tab_to_install 'C:\Kestu'
    keys Return
    wait_dialog "Information"
    expect_dialog_frame_actions "$DIALOG"
    expect_centred "the information dialog" "$DIALOG"
    screenshot "information"
    keys Return
    follow_transfer 'C:\Kestu'
    wait_dialog "Confirm"
    expect_centred "the desktop question" "$DIALOG"
    keys Return
    release_final_repaint
    expect_finished_window "$(installed_caption 'C:\Kestu')" "$(advice_after_yes)"
    click_close_box "$MAIN_WINDOW"
    expect_exit_code 0
    ;;

  *) fail "unknown case $CASE" ;;
esac
echo "PASS: $CASE"
