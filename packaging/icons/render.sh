#!/usr/bin/env bash
# Renders the programs' icons into the hicolor sizes shipped beside the SVGs.
# Run after changing an SVG (needs rsvg-convert, from librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for svg in *.svg; do
  for size in 16 24 32 48 64 128 256; do
    mkdir -p "${size}x${size}"
    rsvg-convert -w "$size" -h "$size" -o "${size}x${size}/${svg%.svg}.png" "$svg"
  done
done
