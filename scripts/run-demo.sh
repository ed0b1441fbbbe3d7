#!/usr/bin/env bash
# Installs the dependencies, builds Tonlyran and starts it on the bundled demo overlay.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
demo/make-overlay.sh
cd demo
exec ../build/bin/tonlyra Overlays/Demo.cdu "$@"
