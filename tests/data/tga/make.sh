#!/usr/bin/env bash
# Writes the TGA test pictures with ImageMagick, which leaves out the version-2
# footer, and beside each one a PNG of what ImageMagick reads back from it with
# -auto-orient, that is following the file's origin bit as the format says.
# ImageMagick 6 stores the rows top first yet marks the file bottom-up, so such a
# file shows upside down in a reader that follows the bit. The top-down files are
# written from a flipped picture with their origin bit then set: they show the same
# picture as the bottom-up ones.
set -euo pipefail
cd "$(dirname "$0")"
IM=convert-im6.q16

# 21 x 17: odd sizes, so that a row length or a row order mistake shows.
$IM -seed 7 -size 21x17 plasma:red-blue -attenuate 0.5 +noise Uniform source.png
$IM -size 21x17 xc:none -fill 'rgba(255,128,0,0.5)' -draw 'rectangle 3,2 17,12' \
    -fill 'rgba(0,0,255,1)' -draw 'rectangle 0,0 4,4' source-alpha.png

write() { # NAME ARGS... : NAME.tga from the source with ImageMagick's ARGS
    local name=$1
    shift
    $IM "$@" "tga:$name.tga"
}
write true24 source.png -type TrueColor -compress None
write true24-rle source.png -type TrueColor -compress RLE
write true32-alpha source-alpha.png -type TrueColorAlpha -compress None
write true32-alpha-rle source-alpha.png -type TrueColorAlpha -compress RLE
write grey source.png -colorspace Gray -type Grayscale -compress None
write grey-rle source.png -colorspace Gray -type Grayscale -compress RLE
write mapped source.png -colors 40 -type Palette -compress None
write mapped-rle source.png -colors 40 -type Palette -compress RLE
write true24-top source.png -flip -type TrueColor -compress None
write true24-rle-top source.png -flip -type TrueColor -compress RLE
write grey-rle-top source.png -flip -colorspace Gray -type Grayscale -compress RLE
for top in true24-top true24-rle-top grey-rle-top; do
    # Byte 17 is the image descriptor; 0x20 puts the first stored row at the top.
    byte=$(od -An -tu1 -j17 -N1 "$top.tga" | tr -d ' ')
    printf "$(printf '\\%03o' $((byte | 0x20)))" |
        dd of="$top.tga" bs=1 seek=17 count=1 conv=notrunc status=none
done
for tga in *.tga; do
    $IM "tga:$tga" -auto-orient -define png:color-type=6 "png:${tga%.tga}.png"
done
