#!/usr/bin/env bash
# Draws the PNGs of the program's icon from dist/icons/tarvix.svg, one per size of the
# freedesktop icon theme, into dist/icons/hicolor/SIZExSIZE/apps/ (they are committed:
# the build takes them as they are, into the menu's icon theme and the program's
# window icon). Run it after a change of the SVG; needs rsvg-convert (librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../dist/icons"
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "hicolor/${size}x${size}/apps"
  rsvg-convert -w "$size" -h "$size" tarvix.svg -o "hicolor/${size}x${size}/apps/org.kembrot.tarvix.png"
done
