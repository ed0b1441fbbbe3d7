#!/usr/bin/env bash
# Runs one libFuzzer target for a number of seconds: scripts/fuzz.sh TARGET SECONDS
# TARGET is profilefile, annotationcontainer, pcx or tga (or fuzz_<name>). The targets are built
# with clang in build-fuzz/, a build of their own instrumented for fuzzing and checked by
# AddressSanitizer and UBSan. The run starts from the seeds in fuzz/corpus/<name> and keeps what
# it learns in build-fuzz/corpus/<name>; an input that breaks something is saved in
# build-fuzz/artifacts/ and the script fails.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -ne 2 ]; then
    echo "usage: scripts/fuzz.sh TARGET SECONDS   (TARGET: $(ls fuzz/corpus | tr '\n' ' '))" >&2
    exit 2
fi
name=${1#fuzz_}
seconds=$2
if [ ! -d "fuzz/corpus/$name" ]; then
    echo "no fuzz target \"$name\" (there are: $(ls fuzz/corpus | tr '\n' ' '))" >&2
    exit 2
fi
if ! command -v clang++ >/dev/null; then
    echo "fuzzing needs clang (scripts/install-deps.sh installs it)" >&2
    exit 2
fi
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTONLYRA_FUZZ_ONLY=ON >/dev/null
cmake --build build-fuzz -j2 --target "fuzz_$name"
mkdir -p "build-fuzz/corpus/$name" build-fuzz/artifacts
# The progress lines of each new input are left out; the start, the end and any finding stay.
set +e
QT_QPA_PLATFORM=offscreen LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan.supp" \
    "build-fuzz/bin/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix=build-fuzz/artifacts/ \
    "build-fuzz/corpus/$name" "fuzz/corpus/$name" 2>&1 |
    grep -v -E '^#[0-9]+[[:space:]]+(NEW|REDUCE|pulse)'
status=${PIPESTATUS[0]}
set -e
echo "fuzz_$name: $([ "$status" -eq 0 ] && echo "ran $seconds s clean" || echo "FAILED ($status)")"
exit "$status"
