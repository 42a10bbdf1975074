#!/usr/bin/env bash
# Builds the fuzzers (fuzz/) with clang in build-fuzz and runs each for the given number of seconds,
# starting from its committed corpus in fuzz/corpus/<target>/, which it replays first: a former
# finding kept there fails at once; the converter's fuzzer starts from the test books as well (its
# other fuzzer, book_edit, edits those books). New inputs go to a scratch folder, never into the
# corpus. A finding leaves its input in build-fuzz/findings/ and fails the script.
#
# Usage: scripts/fuzz.sh [seconds per target, default 60] [target...]
# Needs clang with its libFuzzer runtime (Debian 12: clang-14, libclang-rt-14-dev); installs nothing.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift $(($# > 0 ? 1 : 0))
targets=("$@")
if ((${#targets[@]} == 0)); then
    targets=()
    for corpus in fuzz/corpus/*/; do
        targets+=("$(basename "$corpus")")
    done
fi

# clang++ when installed under that name, else the newest clang++-N.
compiler=$(command -v clang++ || compgen -c clang++- | grep -E '^clang\+\+-[0-9]+$' | sort -t- -k2 -n | tail -n1)
[[ -n $compiler ]] || { echo "fuzz.sh: no clang++ found" >&2; exit 1; }
cmake -S fuzz -B build-fuzz -G Ninja -DCMAKE_C_COMPILER="${compiler/clang++/clang}" -DCMAKE_CXX_COMPILER="$compiler" >/dev/null
cmake --build build-fuzz -j2

mkdir -p build-fuzz/findings
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
for target in "${targets[@]}"; do
    mkdir -p "$scratch/$target"
    corpora=(fuzz/corpus/"$target")
    options=()
    if [[ $target == converter ]]; then
        mkdir -p "$scratch/books"
        cp tests/data/*.lit "$scratch/books/"
        corpora+=("$scratch/books")
    fi
    if [[ $target == converter || $target == book_edit ]]; then
        # The converter reports every damaged book on standard error; the log keeps the findings.
        options+=(-close_fd_mask=2)
    fi
    log=build-fuzz/$target.log
    echo "== fuzz_$target for ${seconds}s"
    if build-fuzz/fuzz_"$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 "${options[@]}" \
        -dict=fuzz/"$target".dict -artifact_prefix=build-fuzz/findings/"$target"- \
        "$scratch/$target" "${corpora[@]}" >"$log" 2>&1; then
        echo "   $(grep -m1 '^stat::number_of_executed_units' "$log" | awk '{print $2}') executions, nothing found"
    else
        code=$?
        status=1
        echo "   FOUND something (exit status $code); the input is in build-fuzz/findings/, the report in $log:"
        # A process killed from outside (the kernel's OOM killer, say) leaves no report line.
        grep -a -m1 -A3 -E 'invariant broken|ERROR|runtime error|fatal error' "$log" | sed 's/^/   /' ||
            tail -n 12 "$log" | sed 's/^/   /'
    fi
done
exit "$status"
