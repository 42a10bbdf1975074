#!/usr/bin/env bash
# Builds Zwojnik and its tests with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan and
# runs every test there, the slow ones included. Any report of either sanitizer fails its test. The
# converter is built with them too, so every conversion of the tests, the test books and the fuzzer's
# former findings (tests/converter/) run through it; such a converter runs unconfined (no Landlock, no
# seccomp: LeakSanitizer cannot work confined), and says so on standard error.
set -euo pipefail
cd "$(dirname "$0")/.."

export ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Leaks inside Qt's own libraries and the system's font libraries only; never the program's.
export LSAN_OPTIONS=suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZWOJNIK_WERROR=ON -DZWOJNIK_SANITIZE=ON
cmake --build build-asan -j2
ctest --test-dir build-asan --output-on-failure -j2
