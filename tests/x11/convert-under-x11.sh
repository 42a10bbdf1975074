#!/usr/bin/env bash
# Uses Zwojnik as a person does, on a private X display with a window manager, and checks what ends up
# on disk:
#   1. Ctrl+O, the book in the open-file dialog, a folder in the folder dialog, "Gotowe!";
#   2. the book opened again by a second launch, as a file manager does: that launch ends at once
#      with 0 and the running program asks for the folder, converts, says "Gotowe!";
#   3. Ctrl+Q: the program ends with status 0.
# Each conversion must give the same files as the converter run by hand.
#
# Every wait is for a state to come, never for a time to pass.
#
# Usage: convert-under-x11.sh PROGRAM BOOK [SCREENSHOT_FOLDER]
# Exits 77 (skipped) when a tool it needs is missing; scripts/install-deps.sh --tests installs them.
set -euo pipefail

program=$1
book_source=$2
shots=${3:-}

for tool in Xvfb openbox xdotool xclip xprop xwininfo import convert gocr dbus-run-session; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIPPED: $tool is not installed (scripts/install-deps.sh --tests installs it)"
        exit 77
    fi
done

# On a session bus of its own, which ends with the test. Without one, the first program that asks for
# the session bus starts one for the display (dbus-launch --autolaunch), and that one outlives the test.
if [[ -z "${ZWOJNIK_X11_PRIVATE_BUS:-}" ]]; then
    ZWOJNIK_X11_PRIVATE_BUS=1 exec dbus-run-session -- bash "$0" "$@"
fi

work=$(mktemp -d /tmp/zwojnik-x11-XXXXXX)
started=()
cleanup() {
    for pid in "${started[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

shot() {
    if [[ -n "$shots" ]] && command -v import >/dev/null; then
        import -window root "$shots/$1.png" 2>/dev/null || true
    fi
}

fail() {
    echo "FAIL: $*" >&2
    shot failure
    if [[ -s "$work/program.log" ]]; then
        echo "--- the program said:" >&2
        cat "$work/program.log" >&2
    fi
    exit 1
}

# Runs the command until it succeeds. The limit only ends a wait for what will never come, with what
# the program said, before the test's own time runs out: a busy machine may take long, but never that.
await() {
    local what=$1
    shift
    local deadline=$((SECONDS + 120))
    until "$@"; do
        ((SECONDS < deadline)) || fail "$what never came"
        sleep 0.1
    done
}

visible_window() {
    xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 || true
}

# The program's visible windows that bypass the window manager: lists that drop down, like the file
# name's completions. Qt titles them with the program's name.
popups() {
    local window
    for window in $(xdotool search --onlyvisible --name '^Zwojnik$' 2>/dev/null); do
        if xwininfo -id "$window" 2>/dev/null | grep -q 'Override Redirect State: yes'; then
            echo "$window"
        fi
    done
}

# The visible window titled exactly "Zwojnik" other than the menu-bar window and the drop-down lists:
# the message box.
message_box() {
    xdotool search --onlyvisible --name '^Zwojnik$' 2>/dev/null | grep -vx -e "$menu_window" $(popups | sed 's/^/-e /') |
        head -n1 || true
}

# The text in the window, as OCR reads it: one line of text a line, spaces left out.
read_window() {
    import -window "$1" "$work/window.png" 2>/dev/null || return 0
    convert "$work/window.png" -colorspace gray -scale 300% "$work/window.pnm"
    gocr -i "$work/window.pnm" 2>/dev/null | tr -d ' '
}

reads_gotowe() {
    read_window "$1" | grep -qx 'Gotowe!'
}

has_window() {
    [[ -n "$("$@")" ]]
}

no_window() {
    [[ -z "$("$@")" ]]
}

# Puts the text in the focused field through the clipboard (xdotool would drop the Polish letters).
paste_into_field() {
    printf '%s' "$1" | xclip -selection clipboard -i 2>/dev/null
    xdotool key --clearmodifiers ctrl+a ctrl+v
}

# Presses Enter in the dialog. Where the name field shows its list of completions, the list takes the
# first press, and passes it on or not: once the list has gone, a dialog still there takes a second one.
submit() {
    local title=$1
    if has_window popups; then
        xdotool key --clearmodifiers Return
        await "the completion list to close ($title)" no_window popups
        if has_window visible_window "$title"; then
            xdotool key --clearmodifiers Return
        fi
    else
        xdotool key --clearmodifiers Return
    fi
    await "the window \"$title\" to close" no_window visible_window "$title"
}

activate() {
    xdotool windowactivate --sync "$1" >/dev/null 2>&1 || xdotool windowfocus --sync "$1"
}

choose_folder_and_expect_done() {
    local folder=$1 step=$2
    local folder_title='^Wskaż teczkę, w której mam zachować zawartość pliku \.lit:$'
    await "the folder dialog ($step)" has_window visible_window "$folder_title"
    activate "$(visible_window "$folder_title")"
    shot "$step-folder-dialog"
    paste_into_field "$folder"
    submit "$folder_title"

    await "the message box ($step)" has_window message_box
    local box
    box=$(message_box)
    activate "$box"
    shot "$step-message"
    # Read off the screen, as the person does, once the box has been drawn.
    local deadline=$((SECONDS + 120))
    until reads_gotowe "$box"; do
        ((SECONDS < deadline)) ||
            fail "the message box does not say \"Gotowe!\" ($step); it reads: $(read_window "$box")"
        sleep 0.2
    done
    xdotool key --clearmodifiers Return
    await "the message box to close ($step)" no_window message_box
    diff -r "$reference" "$folder" >/dev/null || fail "the files in $folder differ from the converter's own ($step)"
    echo "ok: $step: \"Gotowe!\", $(find "$folder" -mindepth 1 | wc -l) files as the converter gives them"
}

# Paths with spaces and Polish letters, as people name their folders.
books="$work/Moje książki"
mkdir -p "$books" "$work/home" "$work/config"
mkdir -m 700 "$work/runtime"
book="$books/krótka książka.lit"
cp "$book_source" "$book"
from_menu="$work/HTML z menu"
from_launch="$work/HTML z drugiego uruchomienia"
reference="$work/reference"
mkdir -p "$from_menu" "$from_launch" "$reference"

converter=$(dirname "$(readlink -f "$program")")/clit-intel
[[ -x "$converter" ]] || fail "no converter beside the program: $converter"
"$converter" "$book" "$reference/" >/dev/null 2>&1 || fail "the converter itself fails on $book"

# Xvfb picks a free display and writes its number.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
started+=($!)
await "the X display" test -s "$work/display"
DISPLAY=":$(head -n1 "$work/display")"
export DISPLAY
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb
unset SESSION_MANAGER WAYLAND_DISPLAY

openbox --sm-disable >"$work/openbox.log" 2>&1 &
openbox_pid=$!
started+=("$openbox_pid")
window_manager_ready() {
    kill -0 "$openbox_pid" 2>/dev/null || fail "the window manager ended: $(cat "$work/openbox.log")"
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"
}
await "the window manager" window_manager_ready

"$program" >"$work/program.log" 2>&1 &
program_pid=$!
started+=("$program_pid")
await "the menu-bar window" has_window visible_window '^Zwojnik$'
menu_window=$(visible_window '^Zwojnik$')
shot started

# 1. From the menu.
activate "$menu_window"
xdotool key --clearmodifiers ctrl+o
open_title='^Wybierz plik \.lit do zamiany na \.html:$'
await "the open-file dialog" has_window visible_window "$open_title"
activate "$(visible_window "$open_title")"
shot open-dialog
paste_into_field "$book"
submit "$open_title"
choose_folder_and_expect_done "$from_menu" menu

# 2. A second launch with the book hands it to the running program.
status=0
"$program" "$book" >"$work/second.log" 2>&1 || status=$?
[[ $status -eq 0 ]] || fail "the second launch ended with $status"
kill -0 "$program_pid" 2>/dev/null || fail "the running program has gone"
choose_folder_and_expect_done "$from_launch" second-launch

# 3. Quit.
activate "$menu_window"
xdotool key --clearmodifiers ctrl+q
program_ended() {
    ! kill -0 "$program_pid" 2>/dev/null
}
await "the end of the program after Ctrl+Q" program_ended
status=0
wait "$program_pid" || status=$?
[[ $status -eq 0 ]] || fail "the program ended with status $status"
echo "ok: Ctrl+Q ended the program with status 0"
