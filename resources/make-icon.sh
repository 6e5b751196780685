#!/usr/bin/env bash
# Draws the program icon (an open cardboard box with a blue arrow going into it) and writes
# resources/setup.ico: 48, 32 and 16 pixels, each once in the 16 standard VGA colours with a
# transparency mask (Windows 95/98/NT 4 shells) and once in 32-bit colour with alpha.
#
#   resources/make-icon.sh [OUT.ico] [PREVIEW.png]
#
# Needs ImageMagick 6 (convert). The output depends only on this script and ImageMagick.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
out="${1:-$here/setup.ico}"
preview="${2:-}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The two designs, in pixel coordinates: 16 pixels, and 32 pixels (drawn at 1.5 for 48).
# Order matters: the inside of the box, the arrow, then the front and side walls, which hide
# the arrow's tip. Lip and shine are highlights of the 32-bit entries only.
shapes16() {
    cat <<'EOF'
inside  polygon 1,8 4,5 14,5 11,8
arrow   polygon 5,0 9,0 9,4 12,4 7,9 2,4 5,4
front   rectangle 1,8 11,15
side    polygon 11,8 14,5 14,12 11,15
lip     line 2,9 10,9
shine   line 6,1 6,4
EOF
}
shapes32() {
    cat <<'EOF'
inside  polygon 2,14 9,8 29,8 22,14
arrow   polygon 12,0 18,0 18,7 23,7 15,16 7,7 12,7
front   rectangle 2,14 22,29
side    polygon 22,14 29,8 29,23 22,29
lip     line 3,15 21,15
shine   rectangle 13,1 14,8
EOF
}

# draw SIZE DESIGN SCALE PALETTE OUT: renders the shapes with the colours of PALETTE (vga: the
# standard 16 colours; true: richer colours and highlights), without antialiasing so that the
# edges stay crisp at these sizes.
draw() {
    local size="$1" design="$2" scale="$3" palette="$4" target="$5"
    local -A fill stroke
    if [ "$palette" = vga ]; then
        fill=([inside]='#000000' [arrow]='#0000FF' [front]='#FFFF00' [side]='#808000')
        stroke=([inside]='#000000' [arrow]='#000080' [front]='#000000' [side]='#000000')
    else
        fill=([inside]='#5C3A14' [arrow]='#2F86E8' [front]='#E2B166' [side]='#B7833A'
              [lip]='#F2D59E' [shine]='#8CC3F6')
        stroke=([inside]='#3E260C' [arrow]='#123F7A' [front]='#5A3A12' [side]='#5A3A12'
                [lip]='#F2D59E' [shine]='#8CC3F6')
    fi
    local mvg="$work/$size-$palette.mvg" name kind points
    {
        echo "affine $scale,0,0,$scale,0,0"
        echo "stroke-width 1"
        "shapes$design" | while read -r name kind points; do
            [ -n "${fill[$name]:-}" ] || continue
            echo "fill '${fill[$name]}' stroke '${stroke[$name]}' $kind $points"
        done
    } >"$mvg"
    convert -size "${size}x${size}" xc:none +antialias -draw "$(cat "$mvg")" "$target"
}

images=()
for spec in "48 32 1.5" "32 32 1" "16 16 1"; do
    read -r size design scale <<<"$spec"
    draw "$size" "$design" "$scale" vga "$work/$size-vga.png"
    draw "$size" "$design" "$scale" true "$work/$size-true.png"
    # The palette entry holds only the standard colours, each pixel opaque or transparent (the
    # AND mask); the 32-bit entry stays direct colour even when it uses few colours.
    images+=(\( "$work/$size-vga.png" -channel A -threshold 50% +channel -type PaletteMatte \)
             \( "$work/$size-true.png" -type TrueColorMatte \))
done
convert "${images[@]}" "$out"

if [ -n "$preview" ]; then
    # Every entry magnified 8 times on the classic dialog grey, side by side.
    convert "$out" -filter point -resize 800% "$work/big-%d.png"
    tiles=()
    for big in "$work"/big-*.png; do
        tiles+=(\( -size 416x416 "xc:#D4D0C8" "$big" -gravity center -composite \))
    done
    convert "${tiles[@]}" +append "$preview"
fi
