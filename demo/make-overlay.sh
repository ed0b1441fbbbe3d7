#!/usr/bin/env bash
# Writes the demo overlay (default: Overlays/Demo.cdu beside this script) from Demo.cdu.in.
# Overlay files hold full paths, so the paths are filled in for wherever the demo folder is.
set -euo pipefail
demo="$(cd "$(dirname "$0")" && pwd)"
out="${1:-$demo/Overlays/Demo.cdu}"
mkdir -p "$(dirname "$out")"
# Escape the characters sed treats specially in a replacement.
replacement=$(printf '%s' "$demo" | sed -e 's/[\\&|]/\\&/g')
sed -e "s|@DEMO_DIR@|$replacement|g" "$demo/Demo.cdu.in" > "$out.tmp"
mv "$out.tmp" "$out"
# Tal.cdu: the same grid with no introduction sounds, so that with spoken cells on
# (Users/Skanning-brytare.usr) each cell says its text when the frame reaches it.
sed -e "s|@DEMO_DIR@|$replacement|g" -e '/^\[Sounds\]/,/^\[MediaTypes\]/ s/^\([0-9]*\)=.*/\1=/' \
    "$demo/Demo.cdu.in" > "$out.tmp"
mv "$out.tmp" "$(dirname "$out")/Tal.cdu"
