#!/usr/bin/env bash
# Draws the desktop's icons of the program (hicolor theme, 16 to 256 pixels) from our own
# icon, icons/quillmere.svg, with rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/.."
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "desktop/icons/${size}x${size}"
  rsvg-convert -w "$size" -h "$size" icons/quillmere.svg \
    -o "desktop/icons/${size}x${size}/io.github.quillmere.Quillmere.png"
done
