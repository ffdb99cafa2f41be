#!/usr/bin/env bash
# Rewrites the sample's reference pictures (client/tests/reference/) from what the player draws
# now: run it when a change is meant to alter the picture, look at the pictures, commit them.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
[ -d "$BUILD_DIR" ] || scripts/build.sh
cmake --build "$BUILD_DIR" --parallel "${JOBS:-4}" --target Tormakelin.Client.Tests
if ! out=$(TORMAKELIN_UPDATE_REFERENCES=1 ctest --test-dir "$BUILD_DIR" \
    -R '^SampleFrames\.MatchTheReferencePictures$' --output-on-failure --verbose 2>&1); then
  echo "$out"
  exit 1
fi
echo "$out" | grep -o 'rewrote .*'
git status --short client/tests/reference
