#!/usr/bin/env bash
# Installs the dependencies, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
QT_QPA_PLATFORM=offscreen TONLYRA_NO_MODAL=1 ctest --test-dir build --output-on-failure -j2
# Each fuzz target for half a minute, in a clang build of its own (scripts/fuzz.sh).
if command -v clang++ >/dev/null; then
    for target in fuzz/corpus/*/; do
        scripts/fuzz.sh "$(basename "$target")" 30
    done
fi
