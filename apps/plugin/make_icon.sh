#!/usr/bin/env bash
# Draws the pane's icon, a key cap with the Command glyph, and writes it as
# resources/Pref_shortcut.psd (64 x 64, RGBA, RLE). Run by hand when the
# design changes; the build uses the committed file. Needs ImageMagick 6 and
# the DejaVu fonts.
set -euo pipefail
convert=/usr/bin/convert
top=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

"$convert" -size 64x64 xc:none -fill 'rgba(0,0,0,0.5)' -draw "roundrectangle 6,10 57,61 11,11" -blur 0x2.5 shadow.png
"$convert" -size 64x64 gradient:'#fbfbfc'-'#b9bec6' \
  \( -size 64x64 xc:none -fill white -draw "roundrectangle 4,4 59,57 11,11" \) \
  -alpha off -compose CopyOpacity -composite body.png
"$convert" -size 64x64 xc:none -fill none -stroke '#7d838d' -strokewidth 1.2 \
  -draw "roundrectangle 4.5,4.5 58.5,56.5 11,11" rim.png
"$convert" -size 64x64 gradient:'#ffffff'-'#e4e7eb' \
  \( -size 64x64 xc:none -fill white -draw "roundrectangle 10,7 53,47 8,8" \) \
  -alpha off -compose CopyOpacity -composite face.png
"$convert" -size 64x64 xc:none -fill none -stroke 'rgba(120,126,136,0.55)' -strokewidth 1 \
  -draw "roundrectangle 10.5,7.5 52.5,46.5 8,8" facerim.png
"$convert" -size 64x64 xc:none -font DejaVu-Sans -pointsize 30 -fill '#33373d' -gravity center \
  -annotate +0-5 '⌘' glyph.png
"$convert" shadow.png body.png -compose over -composite rim.png -composite face.png -composite \
  facerim.png -composite glyph.png -composite icon.png
"$convert" icon.png -compress RLE "$top/resources/Pref_shortcut.psd"
echo "wrote $top/resources/Pref_shortcut.psd"
