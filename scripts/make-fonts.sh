#!/usr/bin/env bash
# Converts Debian's Hershey fonts (package hershey-fonts-data) into the
# numbered font files that the plotting library and pltrender read:
#   scripts/make-fonts.sh BUILD_DIR      -> BUILD_DIR/fonts/001 ... 010
# The numbers are those of the font names of the text markup (\fR, \fI, ...).
# Every font is given the header of the built-in font 0's proportions: the
# nominal height 10 and the width scale 2/7 (0.2857).  The width scale
# shrinks the Hershey glyphs' advances in the library's measurement, and
# pltrender scales the glyphs by it in both directions, so the Hershey
# capitals (21 units) stand 6 units tall and 0.6 of the height, as font 0's
# do (6 of 10): a \fB in a label draws at the size of the text around it,
# and the library's placement and centring of text holds in every font.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
src=${HERSHEY_DIR:-/usr/share/hershey-fonts}
conv="$build/tools/hershey2font"
out="$build/fonts"
height=10
width_scale=0.2857
[ -x "$conv" ] || { echo "make-fonts: $conv not built" >&2; exit 1; }
[ -d "$src" ] || { echo "make-fonts: $src missing (install hershey-fonts-data)" >&2; exit 1; }
mkdir -p "$out"

# number  name  Hershey font
fonts=(
  "001 R  timesr"     # Roman: Times-like roman, complex strokes
  "002 I  timesi"     # Italic
  "003 B  timesrb"    # Bold
  "004 BI timesib"    # Bold italic
  "005 GG greek"      # Greek, simplex (Latin letters give Greek ones)
  "006 RG greekc"     # Greek, complex (serif)
  "007 EG gothiceng"  # English Gothic (blackletter)
  "008 H  futural"    # sans serif (Futura light)
  "009 C  cyrillic"   # Cyrillic, complex
  "010 S  scripts"    # Script, simplex
)
for entry in "${fonts[@]}"; do
  read -r number name face <<<"$entry"
  "$conv" "$src/$face.jhf" "$out/$number.tmp" "$height"
  # The converter writes the header "HEIGHT BASELINE 1.0": set the width scale.
  sed "1s/^\([-0-9]* [-0-9]*\) .*/\1 $width_scale/" "$out/$number.tmp" >"$out/$number"
  rm -f "$out/$number.tmp"
done
echo "make-fonts: font files 001..010 written to $out"
