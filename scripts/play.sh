#!/usr/bin/env bash
# Builds everything and plays the sample project. With a display it plays in a window (arguments
# go to the player); without one it plays under a virtual X display with "-nosetup", saving a
# screenshot every few seconds under build/play/ (BUILD_DIR/play/) and printing their paths.
set -euo pipefail
cd "$(dirname "$0")/.."
export BUILD_DIR=${BUILD_DIR:-build}
scripts/build.sh
BIN=$BUILD_DIR/bin
PLAYER=$BIN/Tormakelin.Sample
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$PLAYER" "$@"
fi

OUT=$BUILD_DIR/play
INTERVAL=${PLAY_SCREENSHOT_SECONDS:-2}
mkdir -p "$OUT"
rm -f "$OUT"/*.png
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
unset SDL_VIDEODRIVER
# The screen is larger than the sample's window, which is shot alone, found by its title.
xvfb-run -a -s "-screen 0 1920x1080x24" bash -c '
  player=$1 shots=$2 interval=$3 tool=$4 title=$5; shift 5
  "$player" -nosetup "$@" &
  pid=$!
  n=0
  while sleep "$interval" && kill -0 "$pid" 2>/dev/null; do
    n=$((n + 1))
    shot=$(printf "%s/play-%03d.png" "$shots" "$n")
    "$tool" "$shot" "$title" && echo "$shot"
  done
  wait "$pid"
' play "$PLAYER" "$OUT" "$INTERVAL" "$BIN/Tormakelin.Screenshot" "Tormakelin Sample" "$@"
