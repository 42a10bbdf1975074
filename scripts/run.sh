#!/usr/bin/env bash
# Installs what is needed, builds Zwojnik and starts it. With no arguments it opens the bundled sample
# book, as if opened from the file manager; otherwise it opens the given files.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
if (($# == 0)); then
    set -- tests/data/krotka.lit
fi
exec build/zwojnik "$@"
