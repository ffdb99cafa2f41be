#!/usr/bin/env bash
# Builds everything and plays the sample project; without a display it plays headless.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
BIN=build/bin
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
fi
if [ ! -x "$BIN/Tormakelin.Client" ]; then
  echo "Built the libraries in $BIN. The player is not written yet, so there is nothing to play;"
  echo "scripts/test.sh runs what exists so far."
  exit 0
fi
exec "$BIN/Tormakelin.Client" "$@"
