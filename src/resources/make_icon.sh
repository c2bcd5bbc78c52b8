#!/usr/bin/env bash
# Redraws mendora.ico (a film strip with a chain link) with ImageMagick.
# The .ico is committed; run this only to change the picture.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
holes=""
for x in 44 84 124 164 204; do
  holes="$holes roundrectangle $x,50 $((x+22)),70 4,4 roundrectangle $x,186 $((x+22)),206 4,4"
done
convert -size 256x256 xc:none \
  -fill '#2b3038' -draw "roundrectangle 24,36 232,220 22,22" \
  -fill '#f2f2f2' -draw "$holes" \
  -fill '#3d84d6' -draw "rectangle 40,84 216,172" \
  -fill none -stroke '#ffb020' -strokewidth 16 \
  -draw "roundrectangle 62,104 146,152 24,24" \
  -draw "roundrectangle 110,104 194,152 24,24" \
  "$work/big.png"
for s in 48 32 24 16; do
  convert "$work/big.png" -filter Lanczos -resize "${s}x${s}" -unsharp 0x0.6 "$work/i$s.png"
done
convert "$work/i48.png" "$work/i32.png" "$work/i24.png" "$work/i16.png" mendora.ico
