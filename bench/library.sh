#!/usr/bin/env bash
# A library through the terminal form against the same books converted one after another by clit-intel
# run directly: the wall time of each (median of the runs), their ratio, and the program's peak memory
# (its own process, from /usr/bin/time -v) for the library and for one five times its size.
#
# Usage: bench/library.sh PROGRAM_FOLDER [LARGE_BOOK] [BOOKS] [RUNS]
#   PROGRAM_FOLDER  the build folder holding zwojnik, zwojnik-supervisor and clit-intel
#   LARGE_BOOK      a large book (tests/data/make-books.sh --large FILE --large-only); every 20th copy
#   BOOKS           how many books (default 200); the memory is measured for this and five times this
#   RUNS            timed runs of each (default 5)
# Prints a Markdown table on standard output.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
program_folder="$(cd "$1" && pwd)"
large_book="${2:-}"
count="${3:-200}"
runs="${4:-5}"
clit="$program_folder/clit-intel"

work="$(mktemp -d)"
# The staging folders go where a desktop session keeps them: /run/user/UID is a tmpfs, as /dev/shm is.
runtime="$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)"
trap 'rm -rf "$work" "$runtime"' EXIT
export XDG_RUNTIME_DIR="$runtime"
chmod 700 "$XDG_RUNTIME_DIR"

# make_library FOLDER COUNT: copies of the test books, small to large, in folders of 50.
make_library() {
    local small=("$root"/tests/data/{krotka,podfoldery,postoje,przypisy,ryciny,ucieczka,rozdzialy}.lit)
    local i book
    for ((i = 0; i < $2; i++)); do
        book="${small[i % ${#small[@]}]}"
        if [ -n "$large_book" ] && ((i % 20 == 19)); then
            book="$large_book"
        fi
        mkdir -p "$1/półka $((i / 50))"
        cp "$book" "$1/półka $((i / 50))/$i $(basename "$book")"
    done
}

# One after another, as a user's script would run them.
# Each route ends when its books are on the disk (sync -f): otherwise the kernel writes one route's
# files back on the processor left idle by the sequence, and the other's while its conversions run.
sequence() {
    local out="$work/sequence" i=0 book
    while IFS= read -r -d '' book; do
        mkdir -p "$out/$i"
        "$clit" "$book" "$out/$i/" >/dev/null 2>&1
        i=$((i + 1))
    done < <(find "$1" -name '*.lit' -print0)
    sync -f "$out"
}

program() {
    "$program_folder/zwojnik" --output "$work/program" "$1" >"$work/program.log"
    sync -f "$work/program"
}

seconds() { # COMMAND...: the wall time in seconds
    local start end
    start=$(date +%s.%N)
    "$@"
    end=$(date +%s.%N)
    awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f\n", e - s }'
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }
peak_kib() { # LIBRARY: the program's own peak resident memory
    /usr/bin/time -v "$program_folder/zwojnik" --output "$work/memory" "$1" 2>&1 >/dev/null |
        awk -F': ' '/Maximum resident set size/ { print $2 }'
    rm -rf "$work/memory"
}

make_library "$work/library" "$count"
make_library "$work/large library" "$((count * 5))"
program "$work/library" # the warm-up, and a check that every book converts
grep -q "^Zamienione książki: $count z $count\.$" "$work/program.log" ||
    { tail -n 3 "$work/program.log" >&2; exit 1; }
sequence "$work/library"
: >"$work/ours" && : >"$work/theirs" && : >"$work/pairs"
# The file system settles, untimed, before each run: the removal of the previous run's files is not
# left to slow the next.
settle() {
    rm -rf "$work/program" "$work/sequence"
    sync
}
for ((run = 0; run < runs; run++)); do
    settle
    a="$(seconds program "$work/library")"
    settle
    b="$(seconds sequence "$work/library")"
    echo "$a" >>"$work/ours"
    echo "$b" >>"$work/theirs"
    awk -v a="$a" -v b="$b" 'BEGIN { print b / a }' >>"$work/pairs"
done
rm -rf "$work/program" "$work/sequence"
ours="$(median <"$work/ours")"
theirs="$(median <"$work/theirs")"
paired="$(median <"$work/pairs")"
peak="$(peak_kib "$work/library")"
peak_large="$(peak_kib "$work/large library")"
size="$(du -sb "$work/library" | cut -f1)"

printf '| Route | Books | Wall time (median of %s) | Peak memory of the program |\n|---|---|---|---|\n' "$runs"
printf '| zwojnik --output, %s at once | %s | %.2f s | %.1f MiB |\n' "$(nproc)" "$count" "$ours" "$(awk -v k="$peak" 'BEGIN { print k / 1024 }')"
printf '| clit-intel directly, one after another | %s | %.2f s | |\n' "$count" "$theirs"
printf '| zwojnik --output, %s at once | %s | | %.1f MiB |\n' "$(nproc)" "$((count * 5))" "$(awk -v k="$peak_large" 'BEGIN { print k / 1024 }')"
printf '\nSpeed-up: %s× (paired %.2f×: the median of the ratios within each pair of runs; %.1f MiB of books%s).\n' \
    "$(awk -v a="$theirs" -v b="$ours" 'BEGIN { printf "%.2f", a / b }')" "$paired" "$(awk -v s="$size" 'BEGIN { print s / 1048576 }')" \
    "$([ -n "$large_book" ] && echo "; every 20th the large book")"
