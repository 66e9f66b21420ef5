#!/bin/sh
# Renders app/resources/Dormex.svg into app/resources/Dormex.ico (16, 24, 32, 48 and 256 px, the
# 256 px image PNG-compressed). Needs ImageMagick with its SVG delegate (tools/setup.sh installs
# both). The .ico is committed, so a build never needs this script.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
svg=$root/app/resources/Dormex.svg
ico=$root/app/resources/Dormex.ico
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for size in 16 24 32 48 256; do
    convert -background none -density 384 "$svg" -resize "${size}x${size}" \
        -define png:color-type=6 "PNG32:$work/icon-$size.png"
done
convert "$work/icon-16.png" "$work/icon-24.png" "$work/icon-32.png" "$work/icon-48.png" "$work/icon-256.png" "$ico"
echo "make-icon: wrote $ico"
