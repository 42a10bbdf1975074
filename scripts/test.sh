#!/usr/bin/env bash
# Installs what is needed, builds Zwojnik with warnings as errors and runs every test: the suite, the
# suite again under AddressSanitizer and UndefinedBehaviorSanitizer, and a minute of each fuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --tests
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZWOJNIK_WERROR=ON
cmake --build build
ctest --test-dir build --output-on-failure -j2
scripts/test-sanitized.sh
scripts/fuzz.sh 60
