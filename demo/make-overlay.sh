#!/usr/bin/env bash
# Writes the demo overlay (default: Overlays/Demo.cdu beside this script) from Demo.cdu.in.
# The overlay names the demo's pictures and sounds relative to its own folder ("../Sounds/sol.wav"
# in demo/Overlays), so the demo folder may be moved or copied.
set -euo pipefail
demo="$(cd "$(dirname "$0")" && pwd)"
out="${1:-$demo/Overlays/Demo.cdu}"
mkdir -p "$(dirname "$out")"
relative=$(realpath --relative-to="$(dirname "$out")" "$demo")
# Escape the characters sed treats specially in a replacement.
replacement=$(printf '%s' "$relative" | sed -e 's/[\\&|]/\\&/g')
sed -e "s|@DEMO_DIR@|$replacement|g" "$demo/Demo.cdu.in" > "$out.tmp"
mv "$out.tmp" "$out"
# Tal.cdu: the same grid with no introduction sounds, so that with spoken cells on
# (Users/Skanning-brytare.usr) each cell says its text when the frame reaches it.
sed -e "s|@DEMO_DIR@|$replacement|g" -e '/^\[Sounds\]/,/^\[MediaTypes\]/ s/^\([0-9]*\)=.*/\1=/' \
    "$demo/Demo.cdu.in" > "$out.tmp"
mv "$out.tmp" "$(dirname "$out")/Tal.cdu"
