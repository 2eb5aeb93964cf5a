#!/usr/bin/env bash
# One end-to-end case of the setup program in its real window:
#   run_case.sh CASE
# with SETUP_BINARY, MEDIA_DIR and E2E_OUT in the environment. Exit 77 skips.
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/e2e_lib.sh"

CASE=${1:?case name}
CASE_DIR="$E2E_OUT/$CASE"
rm -rf "$CASE_DIR"
mkdir -p "$CASE_DIR"
require_tools
trap cleanup EXIT

# Window coordinates at 96 pixels per inch: the layout's 120 scaled by 0.8.
EDIT_RIGHT_END_X=475; EDIT_Y=68
INSTALL_X=120; OK_X=248; CANCEL_X=376; BUTTONS_Y=157

PROGRAM_GROUP="windows/Start Menu/Programs/Kestu Graphics"

# Only the program group folder is new under drive C: afterwards.
expect_untouched_drive() {
  local entries
  entries=$(cd "$DRIVE_C" && find . -mindepth 1 | sort | tr '\n' ' ')
  local expected="./windows ./windows/Start Menu ./windows/Start Menu/Programs ./windows/Start Menu/Programs/Kestu Graphics ./windows/desktop "
  [ "$entries" = "$expected" ] || fail "drive C: holds: $entries"
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
    expect_path "$DRIVE_C/$PROGRAM_GROUP/$link.lnk"
  done
}

# From Install, back into the edit (Shift+Tab selects its text), C:\Kestu
# typed and installed: Yes to using the existing directory, No to a desktop icon.
install_again_into_kestu() {
  keys shift+Tab
  type_text 'C:\Kestu'
  click_in "$MAIN_WINDOW" "$INSTALL_X" "$BUTTONS_Y"
  wait_dialog "Confirm"
  keys Return
  wait_dialog "Confirm"
  keys n
}

case "$CASE" in

  # Focus starts in the edit with its text selected; Tab visits Install and
  # Cancel and comes back to the edit, never to the hidden OK; typing replaces
  # the whole proposal; Escape and Return in the edit do nothing.
  start_state)
    start_display; start_window_manager; prepare_medium; start_setup
    screenshot "start"
    keys Escape Return
    type_text 'C:\Typed'
    keys Tab Tab Tab
    type_text 'C:\Cycled'
    keys Tab space
    wait_dialog "Information"
    screenshot "information"
    keys Return
    wait_dialog "Confirm"
    keys n
    wait_for "Merge.bat" test -e "$DRIVE_C/Cycled/Merge.bat"
    expect_no_path "$DRIVE_C/Kestu"
    expect_no_path "$DRIVE_C/Typed"
    expect_installed_into Cycled 'C:\Cycled'
    expect_no_path "$DRIVE_C/windows/desktop/Calendar.lnk"
    screenshot "finished"
    # Install and Cancel are gone: Tab finds OK.
    keys Tab space
    expect_exit_code 0
    ;;

  # A fresh directory: the information dialog closed by its close box, the
  # desktop question answered Yes by its mnemonic.
  fresh_install)
    start_display; start_window_manager; prepare_medium; start_setup
    click_in "$MAIN_WINDOW" "$INSTALL_X" "$BUTTONS_Y"
    wait_dialog "Information"
    screenshot "information"
    click_close_box "$DIALOG"
    wait_dialog "Confirm"
    screenshot "confirm"
    keys alt+y
    wait_for "Merge.bat" test -e "$DRIVE_C/Kestu/Merge.bat"
    expect_installed_into Kestu 'C:\Kestu'
    expect_path "$DRIVE_C/windows/desktop/Calendar.lnk"
    wait_for "the installer window to have the focus again" has_focus "$MAIN_WINDOW"
    screenshot "finished"
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
    wait_for "the installer window to have the focus again" has_focus "$MAIN_WINDOW"
    screenshot "declined"
    expect_no_path "$DRIVE_C/Existing/merge"
    expect_no_path "$DRIVE_C/Existing/Merge.bat"
    click_in "$MAIN_WINDOW" "$EDIT_RIGHT_END_X" "$EDIT_Y"
    type_text '2'
    click_in "$MAIN_WINDOW" "$INSTALL_X" "$BUTTONS_Y"
    wait_dialog "Information"
    keys Escape
    wait_dialog "Confirm"
    keys Return
    wait_for "Merge.bat" test -e "$DRIVE_C/Existing2/Merge.bat"
    expect_installed_into Existing2 'C:\Existing2'
    expect_no_path "$DRIVE_C/Existing/merge"
    screenshot "finished"
    keys Tab Return
    expect_exit_code 0
    ;;

  # Leaving at once, by Cancel or by the close box: exit code 0 and nothing
  # but the program group folder on disk.
  cancel_at_start)
    start_display; start_window_manager; prepare_medium; start_setup
    click_in "$MAIN_WINDOW" "$CANCEL_X" "$BUTTONS_Y"
    expect_exit_code 0
    expect_untouched_drive
    start_setup
    click_close_box "$MAIN_WINDOW"
    expect_exit_code 0
    expect_untouched_drive
    ;;

  # The whole run from a fresh prefix: Return takes the default answers (OK,
  # then Yes to the desktop icon), and OK ends the program.
  full_run)
    start_display; start_window_manager; prepare_medium; start_setup
    screenshot "start"
    click_in "$MAIN_WINDOW" "$INSTALL_X" "$BUTTONS_Y"
    wait_dialog "Information"
    keys Return
    wait_dialog "Confirm"
    screenshot "desktop-question"
    keys Return
    wait_for "Merge.bat" test -e "$DRIVE_C/Kestu/Merge.bat"
    expect_installed_into Kestu 'C:\Kestu'
    expect_path "$DRIVE_C/windows/desktop/Calendar.lnk"
    wait_for "the installer window to have the focus again" has_focus "$MAIN_WINDOW"
    screenshot "finished"
    click_in "$MAIN_WINDOW" "$OK_X" "$BUTTONS_Y"
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
    click_in "$MAIN_WINDOW" "$INSTALL_X" "$BUTTONS_Y"
    wait_dialog "Confirm"
    keys Return
    wait_dialog "Confirm"
    keys n
    wait_for "Merge.bat" test -e "$DRIVE_C/Kestu/Merge.bat"
    printf 'an older read-me\r\n' | cmp -s - "$DRIVE_C/Kestu/read_me.txt" || fail "the older read-me was not kept"
    expect_path "$DRIVE_C/$PROGRAM_GROUP/Read_me.lnk"
    wait_for "the installer window to have the focus again" has_focus "$MAIN_WINDOW"
    screenshot "finished"
    click_in "$MAIN_WINDOW" "$OK_X" "$BUTTONS_Y"
    expect_exit_code 0
    ;;

  # Failures shown as real message boxes: a directory that cannot be made, in
  # an error dialog; a read-only Merge.bat, in the exception box titled by the
  # program's name. Install stays, and a second press starts a new run.
  error_boxes)
    start_display; start_window_manager; prepare_medium
    mkdir -p "$DRIVE_C/Kestu"
    printf 'kept\r\n' > "$DRIVE_C/Kestu/Merge.bat"
    chmod a-w "$DRIVE_C/Kestu/Merge.bat"
    start_setup
    type_text 'C:\missing\Kestu'
    click_in "$MAIN_WINDOW" "$INSTALL_X" "$BUTTONS_Y"
    wait_dialog "Error"
    screenshot "error"
    keys Return
    wait_for "the installer window to have the focus again" has_focus "$MAIN_WINDOW"
    expect_no_path "$DRIVE_C/missing"
    install_again_into_kestu
    wait_dialog "setup"
    screenshot "exception"
    keys Return
    wait_for "the installer window to have the focus again" has_focus "$MAIN_WINDOW"
    printf 'kept\r\n' | cmp -s - "$DRIVE_C/Kestu/Merge.bat" || fail "the read-only Merge.bat changed"
    chmod u+w "$DRIVE_C/Kestu/Merge.bat"
    # The edit holds the advice now, and a new run reads it: the directory is typed again.
    install_again_into_kestu
    wait_for "Merge.bat to be written" grep -q merge "$DRIVE_C/Kestu/Merge.bat"
    printf 'xcopy/y/I a:\\*.dat C:\\Kestu\\merge\r\n' | cmp -s - "$DRIVE_C/Kestu/Merge.bat" ||
      fail "Merge.bat does not hold its one line"
    expect_no_path "$MEDIUM/Use [Start Menu][Kestu Graphics] to run Calendar"
    screenshot "finished"
    click_in "$MAIN_WINDOW" "$OK_X" "$BUTTONS_Y"
    expect_exit_code 0
    ;;

  *) fail "unknown case $CASE" ;;
esac
echo "PASS: $CASE"
