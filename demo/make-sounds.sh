#!/usr/bin/env bash
# Makes the demo overlay's short sounds with sox: a little tune for each picture.
set -euo pipefail
out="${1:-$(dirname "$0")/Sounds}"
mkdir -p "$out"

# tune <name> <instrument> <note>... : plays the notes one after another, 0.25 s each.
tune() {
    local name=$1 instrument=$2
    shift 2
    local parts=()
    for note in "$@"; do
        local part
        part=$(mktemp --suffix=.wav)
        sox -q -n -r 22050 -c 1 -b 16 "$part" synth 0.25 "$instrument" "$note" fade 0.01 0.25 0.08
        parts+=("$part")
    done
    sox -q "${parts[@]}" "$out/$name.wav" gain -n -3
    rm -f "${parts[@]}"
}

tune sol     pluck C4 E4 G4 C5
tune hus     pluck G3 G3 C4 C4
tune trad    sine  E4 D4 C4 D4 E4
tune bil     square A3 A3 A3 F3
tune boll    pluck C5 G4 C5 G4
tune stjarna sine  C5 E5 G5 C6
tune hjarta  sine  A4 C5 A4
tune mane    sine  G4 E4 C4
tune blomma  pluck E4 G4 A4 G4
