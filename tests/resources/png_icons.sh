#!/bin/sh
# png_icons.sh ICO PNG_DIR CHECKER: the desktop's icons, PNG_DIR/NxN/apps/ostrevane.png, read back
# by ImageMagick (whose PNG reader rejects a wrong CRC or Adler-32), are N x N; at the sizes the
# exe's icon has too they hold its pixels, and the screen checker finds the start view in them.
set -u
ico=$1 dir=$2 checker=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bad=0 image=0 # the ICO's images come in the order 16, 24, 32, 48, 256
for size in 16 24 32 48 64 128 256; do
  png=$dir/${size}x$size/apps/ostrevane.png
  got=$(convert "$png" -format %wx%h info:) && convert "$png" -depth 8 "$work/png.ppm" ||
    got=unreadable
  echo "$size: $got"
  [ "$got" = "${size}x$size" ] || bad=1
  if [ "$size" -ne 64 ] && [ "$size" -ne 128 ]; then
    convert "$ico[$image]" -depth 8 "$work/ico.ppm"
    image=$((image + 1))
    cmp "$work/ico.ppm" "$work/png.ppm" || { echo "FAIL $png differs from the ICO's"; bad=1; }
  fi
  # At 16 pixels the circles and axes cover more of the picture than the checker allows.
  [ "$size" -eq 16 ] || { "$checker" fractal "$work/png.ppm" 0 0 $size $size 1.0 &&
    "$checker" rings "$work/png.ppm" 0 0 $size $size 1.0; } || bad=1
done
[ $bad -eq 0 ] && echo PASS
