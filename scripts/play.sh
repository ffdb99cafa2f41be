#!/usr/bin/env bash
# Builds everything and plays the sample project. With a display it plays in a window (arguments
# go to the player); without one it plays under a virtual X display with "-nosetup", saving a
# screenshot every few seconds under build/play/ (BUILD_DIR/play/) and printing their paths.
#
# Without a display, PLAY_SETUP=1 plays as a person at that screen would: the setup dialog shows
# (with "Fullscreen" ticked, as the sample asks) and is answered "Run" after PLAY_DIALOG_SECONDS
# (2); the screenshots are of the whole screen; PLAY_ESCAPE_SECONDS=<n> presses Escape after n
# seconds. PLAY_SCREEN sets the virtual screen (1920x1080x24).
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
if [ "${PLAY_SETUP:-0}" = 1 ]; then
  # The dialog's scripted user; the shots are of the whole screen, dialog and full screen alike.
  export TORMAKELIN_ACCEPT_DIALOGS=${PLAY_DIALOG_SECONDS:-2}
  first=() title=""
else
  # The screen is larger than the sample's window, which is shot alone, found by its title.
  first=(-nosetup) title="Tormakelin Sample"
fi
xvfb-run -a -s "-screen 0 ${PLAY_SCREEN:-1920x1080x24}" bash -c '
  player=$1 shots=$2 interval=$3 tool=$4 title=$5 keys=$6 escape=$7; shift 7
  "$player" "$@" &
  pid=$!
  n=0 start=$SECONDS
  while sleep "$interval" && kill -0 "$pid" 2>/dev/null; do
    n=$((n + 1))
    shot=$(printf "%s/play-%03d.png" "$shots" "$n")
    "$tool" "$shot" ${title:+"$title"} && echo "$shot"
    if [ -n "$escape" ] && [ $((SECONDS - start)) -ge "$escape" ]; then
      echo "Escape"
      "$keys" Escape
      escape=""
    fi
  done
  status=0
  wait "$pid" || status=$?
  echo "The player ended with exit code $status."
  exit "$status"
' play "$PLAYER" "$OUT" "$INTERVAL" "$BIN/Tormakelin.Screenshot" "$title" "$BIN/Tormakelin.TypeKeys" \
  "${PLAY_ESCAPE_SECONDS:-}" "${first[@]}" "$@"
