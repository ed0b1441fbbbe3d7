#!/usr/bin/env bash
# Installs the dependencies, builds everything and runs every test. With CI=true (set by
# .ci/run and by most CI services) compiler warnings are errors; a user's build only shows them,
# so that a newer compiler's new warnings do not stop it.
set -euo pipefail
cd "$(dirname "$0")/.."
ci=$([ "${CI:-}" = true ] && echo ON || echo OFF)
scripts/install-deps.sh
scripts/build.sh -DTONLYRA_WERROR="$ci"
QT_QPA_PLATFORM=offscreen TONLYRA_NO_MODAL=1 ctest --test-dir build --output-on-failure -j2
# Each fuzz target for half a minute, in a clang build of its own (scripts/fuzz.sh).
if command -v clang++ >/dev/null; then
    for target in fuzz/corpus/*/; do
        scripts/fuzz.sh "$(basename "$target")" 30
    done
fi
