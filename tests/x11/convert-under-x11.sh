#!/usr/bin/env bash
# Uses Zwojnik as a person does, on a private X display with a window manager, and checks what ends up
# on disk:
#   1. Ctrl+O, the book in the open-file dialog, a folder in the folder dialog, "Gotowe!";
#   2. the book opened again by a second launch, as a file manager does: that launch ends at once
#      with 0 and the running program asks for the folder, converts, says "Gotowe!";
#   3. Ctrl+Q: the program ends with status 0.
# Each conversion must give the same files as the converter run by hand.
#
# Usage: convert-under-x11.sh PROGRAM BOOK [SCREENSHOT_FOLDER]
# Exits 77 (skipped) when a tool it needs is missing; scripts/install-deps.sh --tests installs them.
set -euo pipefail

program=$1
book_source=$2
shots=${3:-}

for tool in Xvfb openbox xdotool xclip xprop import convert gocr; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIPPED: $tool is not installed (scripts/install-deps.sh --tests installs it)"
        exit 77
    fi
done

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

# Runs the command until it succeeds, for at most 30 s.
await() {
    local what=$1
    shift
    for ((i = 0; i < 300; i++)); do
        if "$@"; then
            return 0
        fi
        sleep 0.1
    done
    fail "$what never came"
}

visible_window() {
    xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 || true
}

# The visible windows titled exactly "Zwojnik" other than the menu-bar window: the message box.
message_box() {
    xdotool search --onlyvisible --name '^Zwojnik$' 2>/dev/null | grep -vx "$menu_window" | head -n1 || true
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

# Presses Enter in the window until it has gone (the first press may only close the completer list).
submit() {
    local title=$1
    for ((attempt = 0; attempt < 3; attempt++)); do
        xdotool key --clearmodifiers Return
        for ((i = 0; i < 30; i++)); do
            if no_window visible_window "$title"; then
                return 0
            fi
            sleep 0.1
        done
    done
    fail "the window \"$title\" did not take Enter"
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
    # Qt's message box gives its text to nobody (Ctrl+C copies it on Windows only): read it off the screen.
    for ((i = 0; i < 30; i++)); do
        if reads_gotowe "$box"; then
            break
        fi
        sleep 0.2
    done
    reads_gotowe "$box" || fail "the message box does not say \"Gotowe!\" ($step); it reads: $(read_window "$box")"
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
started+=($!)
await "the window manager" bash -c 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"'

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
for ((i = 0; i < 300; i++)); do
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$program_pid" 2>/dev/null && fail "Ctrl+Q did not end the program"
status=0
wait "$program_pid" || status=$?
[[ $status -eq 0 ]] || fail "the program ended with status $status"
echo "ok: Ctrl+Q ended the program with status 0"
