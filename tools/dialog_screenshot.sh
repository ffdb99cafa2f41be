#!/bin/sh
# Draws the window layer's preview dialog (every control kind) on a virtual X display and writes
# PNGs of it and of the open-file dialog its Browse button opens; then checks that a pointer
# click on "Run" ends the dialog with IDOK.
# Usage: tools/dialog_screenshot.sh [build dir] [out.png]
set -e
build=${1:-build}
out=${2:-dialog.png}
program="$build/bin/Tormakelin.DialogPreview"
if [ ! -x "$program" ]; then
  echo "Build first: cmake --build $build (missing $program)" >&2
  exit 1
fi
unset SDL_VIDEODRIVER
screen="-screen 0 1280x1024x24"
xvfb-run -a -s "$screen" "$program" "$out"
xvfb-run -a -s "$screen" "$program" --click
