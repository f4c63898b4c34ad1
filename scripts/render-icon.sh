#!/usr/bin/env bash
# Renders the bench's icon (program/meu_proj/icons/bancada-ecf.svg) into the PNG sizes
# the desktop's icon theme and the program's resources use. Run it after
# changing the SVG and commit the PNGs: building needs no SVG renderer.
# Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../program/meu_proj/icons"
for size in 16 24 32 48 64 128 256; do
    rsvg-convert --width "$size" --height "$size" --keep-aspect-ratio \
        --output "bancada-ecf-$size.png" bancada-ecf.svg
done
