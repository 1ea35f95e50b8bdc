#!/usr/bin/env bash
# Drives the built program in a real X window from outside, the way a user does,
# and checks what it leaves behind: files, the X clipboard, windows and pixels.
# Usage: orvane-e2e.sh SCENARIO PROGRAM SHOT-FOLDER MESSAGE-BOX-HELPER LAYOUT-HELPER [WM-CLOSE-HELPER]
set -uo pipefail

SCENARIO=${1:?scenario}
ORVANE=${2:?program}
SHOTS=${3:?folder for screenshots}/$SCENARIO
MESSAGE_BOX=${4:?message box helper}
LAYOUT=${5:?layout helper}
WM_CLOSE=${6:-}

. "$(dirname "$0")/lib.sh"

need_tools Xvfb xdotool xwininfo xdpyinfo xprop xclip convert-im6.q16 compare-im6.q16 \
    import-im6.q16 timeout
[ -x "$ORVANE" ] || fail "no program at $ORVANE"
ORVANE=$(realpath "$ORVANE")

# Points of the main window's client area, in pixels, from the program's own
# layout: the centres of the buttons, check boxes and option buttons at their
# indicator, the file list at its first row.
eval "$("$LAYOUT")" || fail "no layout from $LAYOUT"
centre() { local l t w h; read -r l t w h <<<"$1"; echo "$((l + w / 2)) $((t + h / 2))"; }
indicator() { local l t w h; read -r l t w h <<<"$1"; echo "$((l + 6)) $((t + h / 2))"; }
first_row() { local l t w h; read -r l t w h <<<"$1"; echo "$((l + w / 2)) $((t + 8))"; }
read -r VIEW_X VIEW_Y _ <<<"$PLACE_pics" # top-left pixel of the view
SAVE_BUTTON=$(centre "$PLACE_Command2")
PASTE_BUTTON=$(centre "$PLACE_Command6")
IMPORT_BUTTON=$(centre "$PLACE_b_open")
EXIT_BUTTON=$(centre "$PLACE_b_exit")
CREATE_FOLDER_BUTTON=$(centre "$PLACE_Command1")
SAVE_AS_BUTTON=$(centre "$PLACE_Command7")
FILE_LIST_FIRST_ROW=$(first_row "$PLACE_File1")
FIXED_OPTION=$(indicator "$PLACE_o_fixed")
SIZE_32_OPTION=$(indicator "$PLACE_o_32")
SNAP_CHECK=$(indicator "$PLACE_c_snap")

trap cleanup EXIT
make_root
rm -rf "$SHOTS"
mkdir -p "$SHOTS"

# A varied 1000 x 300 tileset: a plasma fractal with noise, so that a capture
# shifted by one pixel or a mirrored one cannot pass for the right one.
TILESET=$INPUT/tileset.bmp
convert-im6.q16 -seed 4711 -size 1000x300 plasma:olivedrab-sienna -seed 5 \
    -attenuate 0.35 +noise Uniform -type TrueColor "BMP3:$TILESET" ||
    fail "could not make the tileset"

view_point() { echo $((VIEW_X + $1)) $((VIEW_Y + $2)); }

# view_shows W H X Y: the view shows the W x H pixels of the tileset from (X, Y).
view_shows() {
    grab_main "$VIEW_X" "$VIEW_Y" "$1" "$2" "$ROOT/view.png" &&
        crop "$TILESET" "$1" "$2" "$3" "$4" "$ROOT/view-expected.png" &&
        same_pixels "$ROOT/view.png" "$ROOT/view-expected.png"
}

view_shows_file() {
    grab_main "$VIEW_X" "$VIEW_Y" "$2" "$3" "$ROOT/view.png" &&
        same_pixels "$ROOT/view.png" "$1"
}

# Types a full path into a Qt file dialog's file name box, which has the focus
# when the dialog opens, and accepts it.
answer_file_dialog() {
    local title=$1 path=$2
    wait_until 30 "the dialog \"$title\"" window_shown "^$title\$"
    local dialog
    dialog=$(window_id "^$title\$")
    shot "dialog"
    type_text "$dialog" "$path"
    press_keys "$dialog" Return
    # The file name box's completer may take the first Return for itself.
    # It may also have closed in the meantime, so this second try may find no window.
    if ! wait_quietly 5 window_gone "^$title\$"; then
        timeout 10 xdotool windowfocus "$dialog" key --clearmodifiers Return 2>/dev/null
    fi
    wait_until 10 "the dialog \"$title\" to close" window_gone "^$title\$"
}

import_tileset() {
    local how=$1
    if [ "$how" = button ]; then
        # shellcheck disable=SC2086
        click $IMPORT_BUTTON
    else
        press_keys "$MAIN" ctrl+o
    fi
    answer_file_dialog "Import Tileset" "$TILESET"
    wait_until 20 "the view to show the tileset" view_shows 448 300 0 0
    shot "imported"
}

# drag FROM-X FROM-Y TO-X TO-Y: a left-button drag on the view, in view pixels.
drag() {
    local from to
    from=$(view_point "$1" "$2")
    to=$(view_point "$3" "$4")
    local mid_x=$(((${from% *} + ${to% *}) / 2)) mid_y=$(((${from#* } + ${to#* }) / 2))
    # shellcheck disable=SC2086
    xdo mousemove --window "$MAIN" $from mousedown 1 \
        mousemove --window "$MAIN" "$mid_x" "$mid_y" \
        mousemove --window "$MAIN" $to mouseup 1
}

# expect_capture W H X Y: the Selection view holds the W x H tileset pixels from (X, Y).
expect_capture() {
    wait_until 15 "a ${1}x$2 Selection view" client_size_is "$SELVIEW" "${1}x$2"
    crop "$TILESET" "$1" "$2" "$3" "$4" "$ROOT/capture-expected.png"
    wait_until 15 "the Selection view to show the capture" selection_view_shows \
        "$ROOT/capture-expected.png"
    shot "captured"
}

selection_view_shows() {
    grab_window "$SELVIEW" "$ROOT/selection-view.png" &&
        same_pixels "$ROOT/selection-view.png" "$1"
}

file_complete() { [ -s "$1" ] && [ -n "$(image_size "$1")" ]; }

expect_saved() {
    wait_until 15 "$1 to be written" file_complete "$1"
    expect_same "the saved file $(basename "$1")" "$1" "$2"
}

clipboard_holds() {
    timeout 10 xclip -selection clipboard -t image/png -o >"$ROOT/clipboard.png" 2>/dev/null &&
        same_pixels "$ROOT/clipboard.png" "$1"
}

clipboard_targets() { timeout 10 xclip -selection clipboard -t TARGETS -o 2>/dev/null; }
clipboard_offers() { clipboard_targets | grep -qx "$1"; }
clipboard_lacks() { clipboard_targets >/dev/null && ! clipboard_targets | grep -qx "$1"; }
clipboard_text_has() { timeout 10 xclip -selection clipboard -o 2>/dev/null | grep -qF "$1"; }

# A screenshot for the README: the main window with the Selection view beside it.
readme_picture() {
    window_geometry "$MAIN"
    local x=$WX y=$WY right=$((WX + WW)) bottom=$((WY + WH))
    window_geometry "$SELVIEW"
    ((WX + WW + 8 > right)) && right=$((WX + WW + 8))
    ((WY + WH > bottom)) && bottom=$((WY + WH))
    grab_screen "$x" "$y" $((right - x)) $((bottom - y)) "$SHOTS/readme.png"
}

scenario_tile() {
    start_app "$ORVANE"
    shot "started"
    timeout 10 xprop -id "$MAIN" _NET_WM_ICON | grep -q 'Icon (32 x 32)' ||
        fail "the main window has no 32 x 32 icon"
    import_tileset button
    # shellcheck disable=SC2086
    {
        click $FIXED_OPTION
        click $SIZE_32_OPTION
        click $SNAP_CHECK
    }
    shot "fixed-32-snap"
    local point
    point=$(view_point 70 40)
    # shellcheck disable=SC2086
    click $point
    # The snapped 32 x 32 cell left of and above the pointer's cell.
    expect_capture 32 32 32 0
    # shellcheck disable=SC2086
    click $SAVE_BUTTON
    expect_saved "$OUT/000.bmp" "$ROOT/capture-expected.png"
    wait_until 15 "the clipboard to hold the capture" clipboard_holds "$ROOT/capture-expected.png"
    shot "saved"
    readme_picture
    [ "$(ls "$OUT")" = 000.bmp ] || fail "unexpected files in the output folder: $(ls "$OUT")"
}

scenario_paste() {
    start_app "$ORVANE"
    local picture=$INPUT/paste.png
    convert-im6.q16 -seed 99 -size 200x150 plasma:steelblue-gold -seed 3 -attenuate 0.3 \
        +noise Uniform -depth 8 -type TrueColor "PNG24:$picture" || fail "no picture to paste"
    # xclip stays in the foreground as the clipboard's owner until it is ended.
    background xclip -quiet -selection clipboard -t image/png -i "$picture"
    local picture_owner=$LAST_PID
    wait_until 15 "xclip to own the clipboard" clipboard_offers image/png
    press_keys "$MAIN" ctrl+v
    wait_until 20 "the view to show the pasted picture" view_shows_file "$picture" 200 150
    shot "pasted"
    kill "$picture_owner" 2>/dev/null

    printf 'not a picture' >"$INPUT/text.txt"
    background xclip -quiet -selection clipboard -i "$INPUT/text.txt"
    wait_until 15 "the clipboard to hold only text" clipboard_lacks image/png
    # shellcheck disable=SC2086
    click $PASTE_BUTTON
    # The text is only in the pixels: compare them with the same message box
    # shown by the program's own dialog code, and make sure that the other
    # message of a paste would not have passed.
    expect_message "Invalid Clipboard data or image too small!"
    message_box_picture "Invalid Clipboard data!" "$ROOT/message-other.png"
    ! same_pixels "$ROOT/message.png" "$ROOT/message-other.png" ||
        fail "the two paste messages cannot be told apart"
    view_shows_file "$picture" 200 150 || fail "the refused paste changed the view"
    shot "refused"
}

# Closes the message box the program shows and checks its text against the
# reference box for TEXT.
expect_message() {
    wait_until 15 "the message box" window_shown '^Orvane$'
    shot "message"
    focus "$(window_id '^Orvane$')"
    grab_settled "$(window_id '^Orvane$')" "$ROOT/message.png"
    press_keys "$(window_id '^Orvane$')" Return
    wait_until 15 "the message box to close" window_gone '^Orvane$'
    message_box_picture "$1" "$ROOT/message-expected.png"
    expect_same "the message box" "$ROOT/message.png" "$ROOT/message-expected.png"
}

scenario_small() {
    start_app "$ORVANE"
    import_tileset button
    # One direction below 16 pixels is enough to refuse a picture.
    local small=$INPUT/small.bmp
    convert-im6.q16 -size 200x15 xc:red -type TrueColor "BMP3:$small" || fail "no small picture"
    # shellcheck disable=SC2086
    click $IMPORT_BUTTON
    answer_file_dialog "Import Tileset" "$small"
    expect_message "Image too small. Can't import!"
    view_shows 448 300 0 0 || fail "the refused picture changed the view"
    shot "refused"
}

scenario_adjustable() {
    start_app "$ORVANE"
    import_tileset shortcut
    drag 10 10 50 30
    expect_capture 40 20 10 10
    # shellcheck disable=SC2086
    click $SAVE_BUTTON
    expect_saved "$OUT/000.bmp" "$ROOT/capture-expected.png"
    shot "saved"
}

scenario_scroll() {
    start_app "$ORVANE"
    import_tileset shortcut
    # The horizontal scroll bar sits one pixel below the 300-pixel view; clicks on
    # its track right of the thumb page towards the far right.
    local track_x=$((VIEW_X + 448 - 24)) track_y=$((VIEW_Y + 300 + 1 + 9)) clicks=0
    until wait_quietly 2 view_shows 448 300 552 0; do
        ((clicks < 12)) || fail "the view did not reach the tileset's right edge"
        click "$track_x" "$track_y"
        clicks=$((clicks + 1))
    done
    shot "scrolled"
    # A drag up to the view's right edge (X = 448 is its bound, inclusive).
    drag 400 10 448 30
    expect_capture 48 20 952 10
    press_keys "$MAIN" ctrl+s
    expect_saved "$OUT/000.bmp" "$ROOT/capture-expected.png"
    crop "$TILESET" 1 20 999 10 "$ROOT/right-edge.png"
    crop "$OUT/000.bmp" 1 20 47 0 "$ROOT/saved-right-column.png"
    expect_same "the capture's last column" "$ROOT/saved-right-column.png" "$ROOT/right-edge.png"
    shot "saved"
}

scenario_files() {
    start_app "$ORVANE"
    import_tileset shortcut
    drag 20 20 52 52
    expect_capture 32 32 20 20
    # shellcheck disable=SC2086
    click $SAVE_BUTTON
    expect_saved "$OUT/000.bmp" "$ROOT/capture-expected.png"

    # shellcheck disable=SC2086
    click $SAVE_AS_BUTTON
    answer_file_dialog "Save Selection As" "$OUT/named.bmp"
    expect_saved "$OUT/named.bmp" "$ROOT/capture-expected.png"
    shot "saved-as"

    # shellcheck disable=SC2086
    click $CREATE_FOLDER_BUTTON
    wait_until 15 "the folder name prompt" window_shown '^Create new folder$'
    local prompt
    prompt=$(window_id '^Create new folder$')
    type_text "$prompt" "tiles"
    shot "folder-name"
    press_keys "$prompt" Return
    wait_until 15 "the new folder" test -d "$OUT/tiles"
    wait_until 15 "the prompt to close" window_gone '^Create new folder$'
    shot "folder-made"

    # The list holds 000.bmp alone: "Save as..." does not re-read it.
    # shellcheck disable=SC2086
    xdo mousemove --window "$MAIN" $FILE_LIST_FIRST_ROW click --repeat 2 --delay 80 1
    wait_until 15 "the preview of 000.bmp" window_shown '^000\.bmp$'
    local preview
    preview=$(window_id '^000\.bmp$')
    wait_until 15 "a 32x32 preview" client_size_is "$preview" 32x32
    wait_until 15 "the preview to show the file" preview_shows "$preview" "$OUT/000.bmp"
    shot "preview"
    press_keys "$preview" Escape
    wait_until 15 "Esc to hide the preview" window_gone '^000\.bmp$'

    # The file list kept the focus inside the main window since the double-click.
    press_keys "$MAIN" BackSpace
    wait_until 15 "000.bmp to leave the folder" test ! -e "$OUT/000.bmp"
    [ -f "$OUT/named.bmp" ] || fail "Backspace deleted named.bmp as well"
    shot "deleted"
}

# grab_settled WID FILE: the window's client area once two grabs in a row agree.
grab_settled() {
    wait_until 15 "window $1 to finish painting" grabs_agree "$1" "$2"
}

grabs_agree() {
    grab_window "$1" "$2" && grab_window "$1" "$ROOT/regrab.png" &&
        same_pixels "$2" "$ROOT/regrab.png"
}

# message_box_picture TEXT FILE: the reference message box for TEXT.
message_box_picture() {
    background "${QT_ENV[@]}" "$MESSAGE_BOX" "$1"
    local helper=$LAST_PID
    wait_until 15 "the reference message box" helper_box_shown "$helper"
    local box
    box=$(helper_box "$helper")
    focus "$box"
    grab_settled "$box" "$2"
    press_keys "$box" Return
    wait_until 15 "the reference message box to close" process_gone "$helper"
}

helper_box() { timeout 10 xdotool search --onlyvisible --pid "$1" --name '^Orvane$' 2>/dev/null | head -n 1; }
helper_box_shown() { [ -n "$(helper_box "$1")" ]; }
process_gone() { ! kill -0 "$1" 2>/dev/null; }

preview_shows() {
    grab_window "$1" "$ROOT/preview.png" && same_pixels "$ROOT/preview.png" "$2"
}

no_program_window() {
    window_gone '^Harrow & Finch Orvane$' && window_gone '^Selection view$'
}

# near_pixels A B: the same size, and no pixel further apart than a lossy
# decoder's rounding (two JPEG decoders need not agree to the last bit).
near_pixels() {
    [ "$(image_size "$1")" = "$(image_size "$2")" ] || return 1
    local differing
    differing=$(compare-im6.q16 -metric AE -fuzz 3% "$1" "$2" null: 2>&1) || return 1
    [ "$differing" = 0 ]
}

view_matches() { # FILE W H: the view shows the picture in FILE, exactly or (jpg) nearly
    grab_main "$VIEW_X" "$VIEW_Y" "$2" "$3" "$ROOT/view.png" || return 1
    case $1 in
    *.jpg) near_pixels "$ROOT/view.png" "$1" ;;
    *) same_pixels "$ROOT/view.png" "$1" ;;
    esac
}

# One tileset in each format Orvane reads: the first named on the command line,
# as a file manager's "Open with" starts it, the others through "Import Tileset".
# Each is compared with ImageMagick's reading of the same file.
scenario_formats() {
    local formats=(webp png gif jpg bmp tga tiff) seed=10 format
    for format in "${formats[@]}"; do
        local source=$INPUT/source-$format.png file=$INPUT/tileset-$format.$format
        # A picture of its own for each format, so that one left in the view from
        # the format before cannot pass for it.
        seed=$((seed + 1))
        convert-im6.q16 -seed $seed -size 160x120 plasma:tomato-teal -seed $seed \
            -attenuate 0.4 +noise Uniform -depth 8 -type TrueColor "PNG24:$source" ||
            fail "no picture for $format"
        case $format in
        webp) convert-im6.q16 "$source" -define webp:lossless=true "$file" ;;
        gif) convert-im6.q16 "$source" -colors 128 "$file" ;;
        jpg) convert-im6.q16 "$source" -quality 90 "$file" ;;
        bmp) convert-im6.q16 "$source" -type TrueColor "BMP3:$file" ;;
        # ImageMagick stores a TGA's rows top first but marks them bottom-up, and
        # leaves out the footer; flipped first, the file shows the picture upright.
        tga) convert-im6.q16 "$source" -flip -type TrueColor "tga:$file" ;;
        tiff) convert-im6.q16 "$source" -compress lzw "$file" ;;
        *) cp "$source" "$file" ;;
        esac || fail "could not write $file"
        convert-im6.q16 "$file" -auto-orient -depth 8 -type TrueColor \
            "PNG24:$ROOT/expected-$format.png" || fail "ImageMagick cannot read $file"
        if [ "$format" = tga ] && ! same_pixels "$ROOT/expected-$format.png" "$source"; then
            fail "the TGA file does not hold the picture upright"
        fi
    done

    start_app "$ORVANE" "$INPUT/tileset-${formats[0]}.${formats[0]}"
    wait_until 20 "the view to show the ${formats[0]} file named on the command line" \
        view_matches "$ROOT/expected-${formats[0]}.png" 160 120
    shot "${formats[0]}"
    for format in "${formats[@]:1}"; do
        # shellcheck disable=SC2086
        click $IMPORT_BUTTON
        answer_file_dialog "Import Tileset" "$INPUT/tileset-$format.$format"
        wait_until 20 "the view to show the $format file" \
            view_matches "$ROOT/expected-$format.png" 160 120
        shot "$format"
    done
    [ -z "$(ls "$OUT")" ] || fail "importing wrote files: $(ls "$OUT")"
}

scenario_exit() {
    start_app "$ORVANE"
    # shellcheck disable=SC2086
    click $EXIT_BUTTON
    wait_app_end 20
    [ "$APP_STATUS" = 0 ] || fail "the program ended with status $APP_STATUS"
    no_program_window || fail "a window of the program is still shown"
    shot "ended"
}

scenario_close() {
    [ -x "$WM_CLOSE" ] || skip "no helper to close a window"
    start_app "$ORVANE"
    "$WM_CLOSE" "$MAIN" || fail "could not ask the main window to close"
    wait_app_end 20
    [ "$APP_STATUS" = 0 ] || fail "the program ended with status $APP_STATUS"
    no_program_window || fail "a window of the program is still shown"
    shot "ended"
}

declare -F "scenario_$SCENARIO" >/dev/null || fail "no scenario $SCENARIO"
start_x
"scenario_$SCENARIO"
log "scenario $SCENARIO passed; screenshots in $SHOTS"
