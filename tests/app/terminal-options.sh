#!/usr/bin/env bash
# The program as a terminal user meets it: --help and --version answer on standard output and end with
# 0 before any window system is touched; every other argument is a document.
#
# Usage: terminal-options.sh PROGRAM VERSION
set -uo pipefail

program=$1
version=$2
work=$(mktemp -d /tmp/zwojnik-options-XXXXXX)
trap 'rm -rf "$work"' EXIT
ulimit -c 0

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Without a display and without Qt's platform chosen: starting the GUI here would fail.
# Qt aborts when it finds no display: the subshell keeps the shell's note of that out of the log.
headless() {
    (
        env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" "$@" >"$work/out" 2>"$work/err"
        exit $?
    ) 2>/dev/null
}

headless --help
status=$?
((status == 0)) || fail "--help ends with $status: $(cat "$work/err")"
[[ ! -s "$work/err" ]] || fail "--help writes to standard error: $(cat "$work/err")"
head -n 1 "$work/out" | grep -qx 'Użycie: zwojnik \[PLIK.lit\]\.\.\.' || fail "--help prints: $(cat "$work/out")"
for option in --help --version; do
    grep -q "^  $option  " "$work/out" || fail "the usage does not explain $option"
done
echo "ok: --help prints the usage and ends with 0 without a display"

for arguments in "--version" "/książki/a.lit --version" "--version --help"; do
    # shellcheck disable=SC2086 # the words are the arguments
    headless $arguments
    status=$?
    ((status == 0)) || fail "'$arguments' ends with $status: $(cat "$work/err")"
    # Compared whole, with the line's end: the shell's $(...) would drop it.
    cmp -s "$work/out" <(printf 'Zwojnik %s\n' "$version") ||
        fail "'$arguments' prints: $(od -c "$work/out" | head -n 3)"
done
echo "ok: --version prints the line \"Zwojnik $version\", wherever it stands and before a later --help"

if [[ -w /dev/full ]]; then
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --help >/dev/full 2>/dev/null
    (($? == 1)) || fail "--help reports success although its text could not be written"
    echo "ok: a usage that cannot be written ends with 1"
fi

# Near misses are documents: the program starts its GUI for them, which fails here without a display.
for argument in --helpx -help -h -v --HELP --version= -- -x ./--help; do
    headless "$argument"
    status=$?
    ((status != 0)) || fail "'$argument' is taken for an option"
    [[ ! -s "$work/out" ]] || fail "'$argument' prints: $(cat "$work/out")"
    grep -qi 'display\|platform' "$work/err" || fail "'$argument' fails otherwise: $(cat "$work/err")"
done
echo "ok: every other argument, -x, -- and --helpx too, is a document"
