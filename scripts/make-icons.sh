#!/usr/bin/env bash
# Draws the bundled fallback icons of the desktop program into ui/icons/
# (NAME.png at 32 px and NAME@2x.png at 64 px, plus the program icon at
# 16-256 px). The PNGs are committed; run this only to change a picture.
# Needs ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/../ui/icons"

S=256 # drawing size; scaled down for smooth edges

draw() { # name, then ImageMagick drawing arguments
    local name=$1
    shift
    convert -size ${S}x${S} xc:none -strokewidth 10 "$@" /tmp/clickwisp-icon-$$.png
    convert /tmp/clickwisp-icon-$$.png -resize 32x32 "$name.png"
    convert /tmp/clickwisp-icon-$$.png -resize 64x64 "$name@2x.png"
    rm -f /tmp/clickwisp-icon-$$.png
}

# A sheet of paper with a folded corner, under the document icons.
sheet=(-fill '#fdfdfd' -stroke '#6b6b6b' -draw 'polygon 60,24 156,24 204,72 204,232 60,232'
       -fill '#dcdcdc' -draw 'polygon 156,24 156,72 204,72')

draw record -fill '#e53935' -stroke '#8e1b18' -draw 'circle 128,128 128,40'
draw start -fill '#43a047' -stroke '#1b5e20' -draw 'polygon 72,40 216,128 72,216'
draw stop -fill '#c62828' -stroke '#6d1010' -draw 'roundrectangle 56,56 200,200 16,16'
draw up -fill '#1e88e5' -stroke '#0d47a1' -draw 'polygon 128,28 220,128 164,128 164,228 92,228 92,128 36,128'
draw down -fill '#1e88e5' -stroke '#0d47a1' -draw 'polygon 128,228 220,128 164,128 164,28 92,28 92,128 36,128'
draw open -fill '#f6c343' -stroke '#a0761a' -draw 'polygon 20,56 96,56 116,80 236,80 236,220 20,220' \
    -fill '#fbd872' -draw 'polygon 20,220 56,120 252,120 236,220'
draw save -fill '#3f6fb5' -stroke '#1d3d6e' -draw 'roundrectangle 28,28 228,228 14,14' \
    -fill '#f4f4f4' -stroke none -draw 'rectangle 68,36 188,108' -fill '#1d3d6e' -draw 'rectangle 150,48 172,96' \
    -fill '#e8eef7' -draw 'rectangle 60,150 196,220'
draw new "${sheet[@]}" -stroke '#2e7d32' -strokewidth 26 -draw 'line 188,150 188,246' -draw 'line 140,198 236,198'
draw edit "${sheet[@]}" -stroke '#5d4037' -strokewidth 8 -fill '#ffb300' -draw 'polygon 90,210 206,94 236,124 120,240 80,250' \
    -fill '#5d4037' -draw 'polygon 80,250 90,210 120,240'
draw delete -stroke '#c62828' -strokewidth 40 -draw 'line 60,60 196,196' -draw 'line 196,60 60,196'
draw clear "${sheet[@]}" -stroke '#9e9e9e' -strokewidth 12 -draw 'line 84,100 180,100' -draw 'line 84,140 180,140' \
    -draw 'line 84,180 180,180' -stroke '#c62828' -strokewidth 22 -draw 'line 52,236 236,52'
gear=(-fill '#78909c' -stroke '#37474f')
for a in 0 45 90 135; do
    gear+=(-draw "translate 128,128 rotate $a rectangle -22,-116 22,116")
done
draw options "${gear[@]}" -draw 'circle 128,128 128,42' -fill '#eceff1' -draw 'circle 128,128 128,92'
draw exit -fill none -stroke '#c62828' -strokewidth 26 -draw 'arc 44,52 212,220 -60,240' -draw 'line 128,28 128,120'

# The program icon: a pointer over click rings on a blue tile.
convert -size ${S}x${S} xc:none -fill '#1565c0' -stroke '#0d3c78' -strokewidth 8 \
    -draw 'roundrectangle 12,12 244,244 44,44' \
    -fill none -stroke '#90caf9' -strokewidth 10 -draw 'circle 92,92 92,40' -stroke '#bbdefb' -draw 'circle 92,92 92,62' \
    -fill white -stroke '#102030' -strokewidth 10 -draw 'polygon 92,92 92,226 126,192 150,240 174,228 150,182 198,182' \
    /tmp/clickwisp-app-$$.png
for size in 16 32 48 64 128 256; do
    convert /tmp/clickwisp-app-$$.png -resize ${size}x${size} clickwisp-$size.png
done
rm -f /tmp/clickwisp-app-$$.png
