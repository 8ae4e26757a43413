#!/usr/bin/env bash
# Draws the program icon (a speech bubble) and writes res/talkpost.ico.
# Development tool; the icon is kept in the tree, so the build needs no ImageMagick.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tmp=$(mktemp -d)
for size in 16 32 48; do
  s=$size; m=$((s/8)); b=$((s*5/8)); t=$((s*3/4))
  convert -size ${s}x${s} xc:none -fill '#2a6fb5' -stroke '#16406b' \
    -draw "roundrectangle $m,$m $((s-m-1)),$b $((s/6)),$((s/6))" \
    -draw "polygon $((s/4)),$b $((s/4)),$t $((s/2)),$b" \
    -fill white -stroke none -draw "rectangle $((s/4)),$((s/4)) $((s*3/4)),$((s/4+s/16))" \
    -draw "rectangle $((s/4)),$((s/2-s/16)) $((s*5/8)),$((s/2))" "$tmp/icon$size.png"
done
convert "$tmp/icon16.png" "$tmp/icon32.png" "$tmp/icon48.png" "$root/res/talkpost.ico"
rm -rf "$tmp"
