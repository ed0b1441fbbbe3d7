#!/usr/bin/env bash
# Configures and builds Tonlyran into ./build (pass extra CMake options as arguments).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build build -j2
