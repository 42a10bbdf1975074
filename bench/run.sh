#!/usr/bin/env bash
# Zwojnik's benchmarks in one go: builds them, makes the large book when calibre is there, measures,
# prints the table and writes it to bench/results.md. Where Debian's clit (package convlit) is installed,
# the program's own converter is compared with it on the large book: speed and output.
#
# Usage: bench/run.sh [--quick]
#   --quick   a few repeats of everything, to check that the benchmarks work; not for results.
# Environment:
#   ZWOJNIK_BENCH_BUILD_DIR   build folder (default bench/build)
#   ZWOJNIK_BENCH_DISPLAY     X display number for Xvfb (default: the first free one from 15 on)
#   ZWOJNIK_BENCH_JOBS        parallel build jobs (default 2)
set -euo pipefail

bench_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$bench_dir")"
build="${ZWOJNIK_BENCH_BUILD_DIR:-$bench_dir/build}"
results="$bench_dir/results.md"
large_book="$bench_dir/large/duza.lit"
small_book="$root/tests/data/krotka.lit"

large_repeats=21 small_repeats=41 startup_repeats=21 peer_repeats=5
if [ "${1:-}" = "--quick" ]; then
    large_repeats=3 small_repeats=5 startup_repeats=3 peer_repeats=1
elif [ $# -gt 0 ]; then
    sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
fi

say() { printf '%s\n' "$*" >&2; }
fail() {
    say "run.sh: $*"
    exit 1
}

# Debian's build of Convert LIT, for comparison only.
debian_clit="$(command -v clit || true)"
calibre="$(command -v ebook-convert || true)"

work="$(mktemp -d)"
xvfb_pid=""
cleanup() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
# The benchmarks' own: a Zwojnik the user is running must not take their documents.
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

load_before="$(cut -d' ' -f1-3 /proc/loadavg)"

# --- Build -----------------------------------------------------------------------------------------
say "==> building the benchmarks in $build"
generator=()
if [ ! -f "$build/CMakeCache.txt" ] && command -v ninja >/dev/null 2>&1; then
    generator=(-G Ninja)
fi
# -O2, as distributions build programs.
cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
    -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" \
    -DZWOJNIK_BUILD_TESTS=OFF -DZWOJNIK_BUILD_BENCHMARKS=ON >"$work/configure.log" 2>&1 ||
    {
        cat "$work/configure.log" >&2
        fail "configuring failed"
    }
cmake --build "$build" -j "${ZWOJNIK_BENCH_JOBS:-2}" >"$work/build.log" 2>&1 ||
    {
        cat "$work/build.log" >&2
        fail "building failed"
    }
tools="$build/bench"
# The program's own converter, as the build puts it beside the program.
clit="$build/clit-intel"
[ -x "$clit" ] || clit="$build/clit-ppc"
[ -x "$clit" ] || fail "the build made no converter: configure without -DZWOJNIK_SYSTEM_CONVERTER=ON"

# --- The large book --------------------------------------------------------------------------------
if [ ! -f "$large_book" ]; then
    if [ -n "$calibre" ]; then
        say "==> making the large book with calibre (this takes a few minutes)"
        mkdir -p "$(dirname "$large_book")"
        # Made aside and moved into place, so that an interrupted run leaves no half-written book.
        "$root/tests/data/make-books.sh" --large "$work/duza.lit" --large-only >&2 ||
            fail "making the large book failed"
        mv "$work/duza.lit" "$large_book"
    else
        say "==> calibre is not installed and $large_book is missing: benchmarking the small book only"
    fi
fi

# --- Xvfb ------------------------------------------------------------------------------------------
display=""
if command -v Xvfb >/dev/null 2>&1; then
    number="${ZWOJNIK_BENCH_DISPLAY:-15}"
    if [ -z "${ZWOJNIK_BENCH_DISPLAY:-}" ]; then
        while [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ]; do
            number=$((number + 1))
        done
    fi
    Xvfb ":$number" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -e "/tmp/.X11-unix/X$number" ] && break
        sleep 0.05
    done
    [ -e "/tmp/.X11-unix/X$number" ] || fail "Xvfb :$number did not start: $(cat "$work/xvfb.log")"
    display=":$number"
else
    say "==> Xvfb is not installed: start-up is measured under offscreen only"
fi

# --- Measuring -------------------------------------------------------------------------------------
# value FILE KEY: the value of a "key value" line.
value() { awk -v key="$2" '$1 == key { sub(/^[^ ]+ /, ""); print; exit }' "$1"; }

measure_conversion() { # NAME BOOK REPEATS
    say "==> conversion overhead: $(basename "$2"), $3 runs of each route"
    "$tools/zwojnik_conversion_bench" --book "$2" --app-folder "$tools" --clit "$clit" --repeats "$3" >"$work/$1.conv"
    say "==> clit's own memory on $(basename "$2")"
    "$tools/zwojnik_process_bench" --repeats 1 -- "$clit" "$2" "{out}/" >"$work/$1.clit"
}

books=()
if [ -f "$large_book" ]; then
    books+=(large)
    measure_conversion large "$large_book" "$large_repeats"
    say "==> LIT → EPUB: the EPUB command's conversion of the large book, $large_repeats runs"
    "$tools/zwojnik_conversion_bench" --epub yes --book "$large_book" --app-folder "$tools" --clit "$clit" \
        --repeats "$large_repeats" >"$work/large.epub"
fi
books+=(small)
measure_conversion small "$small_book" "$small_repeats"
memory_book="$large_book"
if [ -n "$debian_clit" ] && [ -f "$large_book" ]; then
    say "==> our converter against Debian's clit on the large book, $large_repeats runs of each"
    for round in $(seq "$large_repeats"); do
        order=(ours debian)
        [ $((round % 2)) -eq 0 ] && order=(debian ours)
        for which in "${order[@]}"; do
            program="$clit"
            [ "$which" = debian ] && program="$debian_clit"
            "$tools/zwojnik_process_bench" --repeats 1 -- "$program" "$large_book" "{out}/" >"$work/round"
            value "$work/round" median_ms >>"$work/$which.times"
        done
    done
    mkdir "$work/debian-output" "$work/our-output"
    "$debian_clit" "$large_book" "$work/debian-output/" >/dev/null
    "$clit" "$large_book" "$work/our-output/" >/dev/null
    python3 "$bench_dir/compare-output.py" "$work/debian-output" "$work/our-output" >"$work/compare.md"
fi
[ -f "$memory_book" ] || memory_book="$small_book"

say "==> start-up under offscreen, $startup_repeats runs"
"$tools/zwojnik_startup_bench" --probe "$tools/zwojnik_startup_probe" --platform offscreen \
    --repeats "$startup_repeats" --book "$memory_book" >"$work/offscreen.start"
if [ -n "$display" ]; then
    say "==> start-up under Xvfb $display, $startup_repeats runs"
    DISPLAY="$display" "$tools/zwojnik_startup_bench" --probe "$tools/zwojnik_startup_probe" --platform xcb \
        --program "$build/zwojnik" --repeats "$startup_repeats" >"$work/xvfb.start"
fi

if [ -n "$calibre" ] && [ -f "$large_book" ]; then
    say "==> calibre on the large book, $peer_repeats runs"
    "$tools/zwojnik_process_bench" --repeats "$peer_repeats" -- "$calibre" "$large_book" "{out}/duza.htmlz" \
        >"$work/calibre.peer"
    say "==> calibre to EPUB on the large book, $peer_repeats runs"
    "$tools/zwojnik_process_bench" --repeats "$peer_repeats" -- "$calibre" "$large_book" "{out}/duza.epub" \
        >"$work/calibre.epub"
fi

library_books=200 library_runs=5
[ "${1:-}" = "--quick" ] && library_books=20 library_runs=1
say "==> a library of $library_books books through zwojnik --output, against clit-intel one after another"
"$bench_dir/library.sh" "$build" "$([ -f "$large_book" ] && echo "$large_book")" "$library_books" "$library_runs" \
    >"$work/library.md"

say "==> functions (Google Benchmark)"
"$tools/zwojnik_function_bench" --benchmark_out="$work/functions.csv" --benchmark_out_format=csv \
    >/dev/null 2>"$work/functions.log"

load_after="$(cut -d' ' -f1-3 /proc/loadavg)"

# --- The table -------------------------------------------------------------------------------------
ms() { awk -v v="$1" 'BEGIN { if (v >= 10000) printf "%.2f s", v / 1000; else printf "%.1f ms", v }'; }
mib() { awk -v v="$1" 'BEGIN { printf "%.1f MiB", v / 1024 }'; }
kib_size() { awk -v v="$(stat -c %s "$1")" 'BEGIN { if (v >= 1048576) printf "%.2f MiB", v / 1048576; else printf "%.1f KiB", v / 1024 }'; }
ratio() { awk -v r="$1" 'BEGIN { printf "%.3f", r }'; }
# median FILE: the median of the numbers in it, one a line.
median() { sort -g "$1" | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }
# verdict MEASURED LIMIT: whether a goal "at most LIMIT" is met.
verdict() { awk -v v="$1" -v l="$2" 'BEGIN { print (v <= l ? "met" : "**not met**") }'; }

qt_version="$(value "$work/offscreen.start" qt_version)"
# clit names its version in the banner it prints when run without arguments.
clit_version="$({ "$clit" 2>&1 || true; } | sed -n 's/.*(Version \([^)]*\)).*/\1/p')"
patch_count="$(find "$root/converter/patches" -name '*.patch' | wc -l)"
debian_clit_version=""
if [ -n "$debian_clit" ]; then
    debian_clit_version="; Debian's clit: convlit $(dpkg-query -W -f='${Version}' convlit 2>/dev/null || echo '?')"
fi
calibre_version=""
if [ -n "$calibre" ]; then
    calibre_version="; $("$calibre" --version 2>/dev/null | sed -n 1p)"
fi
cpu="$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)"
memory_total="$(awk '/^MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)"
os="$(. /etc/os-release && printf '%s' "$PRETTY_NAME")"
compiler="$(sed -n 's/^CMAKE_CXX_COMPILER:[^=]*=//p' "$build/CMakeCache.txt")"
compiler_version="$("$compiler" --version | sed -n 1p)"

{
    echo "# Zwojnik benchmarks"
    echo
    echo "Run of $(date -u '+%Y-%m-%d %H:%M UTC') by \`bench/run.sh${1:+ $1}\`."
    echo
    echo "## Conversion overhead"
    echo
    echo "Median wall time of one whole conversion: through the program's conversion code (from the call of"
    echo "konwertuj to the outcome message, answered by the scripted framework) and with clit (the program's"
    echo "own clit-intel) run directly on the same book; each run into a fresh empty folder, the two routes"
    echo "alternating. The ratio is that of the two medians; the paired ratio is the median of the ratios"
    echo "within each pair of runs made one after the other, which a change in the machine's load during the"
    echo "series affects less. Goal: at most 1.05 × clit on the large book."
    echo
    echo "| Book | Size | Runs of each | Zwojnik | clit directly | Ratio | Paired ratio | Goal |"
    echo "|---|---|---|---|---|---|---|---|"
    for book in "${books[@]}"; do
        file="$work/$book.conv"
        path="$(value "$file" book)"
        ratio="$(value "$file" ratio)"
        goal="—"
        [ "$book" = large ] && goal="≤ 1.05: $(verdict "$ratio" 1.05)"
        printf '| %s (%s) | %s | %s | %s | %s | %s | %s | %s |\n' "$(basename "$path")" "$book" \
            "$(kib_size "$path")" "$(value "$file" repeats)" "$(ms "$(value "$file" program_median_ms)")" \
            "$(ms "$(value "$file" raw_median_ms)")" "$(ratio "$ratio")" "$(ratio "$(value "$file" paired_ratio_median)")" \
            "$goal"
    done
    if [ ! -f "$large_book" ]; then
        echo
        echo "No large book: calibre is not installed and bench/large/duza.lit is missing."
    fi
    echo
    echo "## Our converter against Debian's clit"
    echo
    if [ -f "$work/compare.md" ]; then
        ours="$(median "$work/ours.times")" theirs="$(median "$work/debian.times")"
        paste "$work/debian.times" "$work/ours.times" | awk '{ print $1 / $2 }' >"$work/paired"
        paired="$(median "$work/paired")"
        echo "Median wall time of \`CONVERTER duza.lit FOLDER/\` on the large book, each run into a fresh empty"
        echo "folder after one run that only warms the page cache; the two alternate, and which goes first"
        echo "alternates too. The speed-up is the ratio of the medians; the paired one is the median of the"
        echo "ratios within each pair. Goal: our converter at least 1.5 × as fast."
        echo
        echo "| Converter | Runs | Median | Fastest |"
        echo "|---|---|---|---|"
        printf "| Debian's clit (%s) | %s | %s | %s |\n" "$debian_clit" "$(wc -l <"$work/debian.times")" \
            "$(ms "$theirs")" "$(ms "$(sort -g "$work/debian.times" | sed -n 1p)")"
        printf '| ours (clit-intel, %s patches) | %s | %s | %s |\n' "$patch_count" "$(wc -l <"$work/ours.times")" \
            "$(ms "$ours")" "$(ms "$(sort -g "$work/ours.times" | sed -n 1p)")"
        speedup="$(awk -v a="$theirs" -v b="$ours" 'BEGIN { print a / b }')"
        echo
        printf 'Speed-up: %s × (paired %s ×). Goal ≥ 1.5 ×: %s.\n' "$(ratio "$speedup")" "$(ratio "$paired")" \
            "$(awk -v v="$speedup" 'BEGIN { print (v >= 1.5 ? "met" : "**not met**") }')"
        echo
        echo "What each wrote for the large book (\`bench/compare-output.py\`): the differences should be the"
        echo "fixed faults only, where the name lookup of Debian's clit sends a link or an OPF entry elsewhere."
        echo
        cat "$work/compare.md"
    else
        echo "Not measured: Debian's clit (package convlit) is not installed, or there is no large book."
    fi
    echo
    echo "## A whole library"
    echo
    echo "\`zwojnik --output FOLDER LIBRARY\` on $library_books books (copies of the test books in folders of 50,"
    echo "every 20th the large book) against the same books converted one after another by clit-intel run"
    echo "directly (\`bench/library.sh\`), the two alternating, each ending when its books are on the disk"
    echo "(\`sync -f\`), the file system settled before each run; the program's own peak resident memory (the"
    echo "converters are processes of their own) for the library and for one five times its size. Goal: at"
    echo "least 1.8 × faster than the sequence."
    echo
    cat "$work/library.md"
    echo
    echo "## Start-up"
    echo
    echo "Median time from the start of the process (before exec) to the menu bar painted, the Open event"
    echo "handled and the event loop about to wait (the program's start-up run by a probe that also reports"
    echo "that moment), and to the window of the program itself being mapped on the X server (no window"
    echo "manager). The first start of each series only warms the page cache. Goal: idle menu bar in at most"
    echo "150 ms."
    echo
    echo "| Measure | Platform | Runs | Median | Fastest | Goal |"
    echo "|---|---|---|---|---|---|"
    for platform in offscreen xvfb; do
        file="$work/$platform.start"
        [ -f "$file" ] || continue
        median="$(value "$file" idle_median_ms)"
        printf '| start → menu bar shown, loop idle | %s | %s | %s | %s | ≤ 150 ms: %s |\n' "$platform" \
            "$(value "$file" repeats)" "$(ms "$median")" "$(ms "$(value "$file" idle_min_ms)")" \
            "$(verdict "$median" 150)"
    done
    if [ -f "$work/xvfb.start" ] && [ "$(value "$work/xvfb.start" mapped_median_ms)" != unavailable ]; then
        printf '| start → window mapped (zwojnik) | xvfb | %s | %s | %s | — |\n' "$(value "$work/xvfb.start" repeats)" \
            "$(ms "$(value "$work/xvfb.start" mapped_median_ms)")" "$(ms "$(value "$work/xvfb.start" mapped_min_ms)")"
    fi
    echo
    echo "## Peak memory"
    echo
    echo "Peak resident memory of the program's own process (the converter is a process of its own). Goal:"
    echo "at most 60 MiB."
    echo
    echo "| Process | When | Peak | Goal |"
    echo "|---|---|---|---|"
    peak="$(value "$work/offscreen.start" idle_peak_kb)"
    printf '| Zwojnik (probe), offscreen | idle after start-up | %s | ≤ 60 MiB: %s |\n' "$(mib "$peak")" \
        "$(verdict "$peak" 61440)"
    if [ -f "$work/xvfb.start" ]; then
        peak="$(value "$work/xvfb.start" idle_peak_kb)"
        printf '| Zwojnik (probe), Xvfb | idle after start-up | %s | ≤ 60 MiB: %s |\n' "$(mib "$peak")" \
            "$(verdict "$peak" 61440)"
        peak="$(value "$work/xvfb.start" program_idle_peak_kb)"
        if [ -n "$peak" ]; then
            printf '| zwojnik, Xvfb | 0.5 s after its window is mapped | %s | ≤ 60 MiB: %s |\n' "$(mib "$peak")" \
                "$(verdict "$peak" 61440)"
        fi
    fi
    peak="$(value "$work/offscreen.start" conversion_program_peak_kb)"
    printf '| Zwojnik (probe), offscreen | start-up and conversion of %s | %s | ≤ 60 MiB: %s |\n' \
        "$(basename "$memory_book")" "$(mib "$peak")" "$(verdict "$peak" 61440)"
    for book in "${books[@]}"; do
        printf '| clit | conversion of %s | %s | — |\n' "$(basename "$(value "$work/$book.conv" book)")" \
            "$(mib "$(value "$work/$book.clit" own_peak_kb)")"
    done
    echo
    echo "## Peer: calibre"
    echo
    if [ -f "$work/calibre.peer" ]; then
        echo "The large book through \`ebook-convert duza.lit duza.htmlz\`, the tool people would otherwise use,"
        echo "beside the program and clit (their figures from the runs above)."
        echo
        echo "| Tool | Runs | Median | Peak memory |"
        echo "|---|---|---|---|"
        printf '| Zwojnik (clit through the program) | %s | %s | %s + clit |\n' "$(value "$work/large.conv" repeats)" \
            "$(ms "$(value "$work/large.conv" program_median_ms)")" \
            "$(mib "$(value "$work/offscreen.start" conversion_program_peak_kb)")"
        printf '| clit directly | %s | %s | %s |\n' "$(value "$work/large.conv" repeats)" \
            "$(ms "$(value "$work/large.conv" raw_median_ms)")" "$(mib "$(value "$work/large.clit" own_peak_kb)")"
        printf '| calibre ebook-convert → .htmlz | %s | %s | %s |\n' "$(value "$work/calibre.peer" repeats)" \
            "$(ms "$(value "$work/calibre.peer" median_ms)")" "$(mib "$(value "$work/calibre.peer" peak_kb)")"
    else
        echo "Not measured: calibre is not installed or there is no large book."
    fi
    echo
    echo "## LIT → EPUB"
    echo
    if [ -f "$work/large.epub" ]; then
        html="$(value "$work/large.conv" program_median_ms)" epub="$(value "$work/large.epub" program_median_ms)"
        echo "The large book through the program's conversion code into HTML (konwertuj) and into an EPUB"
        echo "(KonwertujEpub: the same converter run into a private working folder, then the EPUB packed into"
        echo "the destination), each from the call to the outcome message; and through calibre's"
        echo "\\`ebook-convert duza.lit duza.epub\\`. Peak memory: the program's own process (the converter is a"
        echo "process of its own, its peak in the table above). Goals: the EPUB at most 1.2 × the HTML"
        echo "conversion, and at least 20 × as fast as calibre."
        echo
        echo "| Route | Runs | Median | Fastest | Peak memory | Goal |"
        echo "|---|---|---|---|---|---|"
        printf '| Zwojnik → .html | %s | %s | %s | %s + clit | — |\n' "$(value "$work/large.conv" repeats)" \
            "$(ms "$html")" "$(ms "$(value "$work/large.conv" program_min_ms)")" \
            "$(mib "$(value "$work/large.conv" program_peak_kb)")"
        epub_ratio="$(awk -v a="$epub" -v b="$html" 'BEGIN { print a / b }')"
        printf '| Zwojnik → .epub | %s | %s | %s | %s + clit | ≤ 1.2 × .html (%s ×): %s |\n' \
            "$(value "$work/large.epub" repeats)" "$(ms "$epub")" "$(ms "$(value "$work/large.epub" program_min_ms)")" \
            "$(mib "$(value "$work/large.epub" program_peak_kb)")" "$(ratio "$epub_ratio")" \
            "$(verdict "$epub_ratio" 1.2)"
        if [ -f "$work/calibre.epub" ]; then
            calibre_ms="$(value "$work/calibre.epub" median_ms)"
            speedup="$(awk -v a="$calibre_ms" -v b="$epub" 'BEGIN { print a / b }')"
            printf '| calibre ebook-convert → .epub | %s | %s | — | %s | Zwojnik ≥ 20 × as fast (%s ×): %s |\n' \
                "$(value "$work/calibre.epub" repeats)" "$(ms "$calibre_ms")" \
                "$(mib "$(value "$work/calibre.epub" peak_kb)")" "$(ratio "$speedup")" \
                "$(awk -v v="$speedup" 'BEGIN { print (v >= 20 ? "met" : "**not met**") }')"
        fi
    else
        echo "Not measured: there is no large book."
    fi
    echo
    echo "## Functions"
    echo
    echo "What konwertuj does before the shell starts, on paths of twelve nested folders with spaces, Polish"
    echo "letters and characters of the quoting table (Google Benchmark; wall and CPU time per call)."
    echo
    echo "| Function | Time | CPU | Note |"
    echo "|---|---|---|---|"
    awk -F, 'started && NF >= 8 {
                 gsub(/"/, "", $1); gsub(/"/, "", $8)
                 printf "| %s | %.0f %s | %.0f %s | %s |\n", $1, $3, $5, $4, $5, $8
             }
             /^name,/ { started = 1 }' "$work/functions.csv"
    if grep -q 'built as DEBUG' "$work/functions.log"; then
        echo
        echo "The system's Google Benchmark library was built without NDEBUG and warns that timings may suffer;"
        echo "the measured loops are compiled into the benchmark itself, with -O2: only the library's"
        echo "bookkeeping between batches of calls runs unoptimised."
    fi
    echo
    echo "## Machine"
    echo
    echo "- CPU: $cpu, $(nproc) cores available"
    echo "- Memory: $memory_total"
    echo "- System: $os, Linux $(uname -r)"
    echo "- Qt $qt_version; Convert LIT (clit-intel) $clit_version with $patch_count patches$debian_clit_version$calibre_version"
    echo "- Compiler: $compiler_version, -O2"
    echo "- Load average (1, 5, 15 min): $load_before at the start, $load_after at the end"
} >"$work/results.md"

cp "$work/results.md" "$results"
cat "$results"
say "==> written to $results"
