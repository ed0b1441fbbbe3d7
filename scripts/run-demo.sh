#!/usr/bin/env bash
# Installs the dependencies, builds Tonlyran and starts it on the bundled demo overlay.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
demo/make-overlay.sh
# The demo's picture base lies in demo/System, the demo's system folder unless one is chosen.
export TONLYRA_SYSTEM_DIR="${TONLYRA_SYSTEM_DIR:-$PWD/demo/System}"
cd demo
# An overlay given first (Overlays/Tal.cdu) is shown in place of the demo overlay.
overlay=Overlays/Demo.cdu
if [[ "${1:-}" == *.cdu ]]; then
    overlay=$1
    shift
fi
exec ../build/bin/tonlyra "$overlay" "$@"
