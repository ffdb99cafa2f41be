#!/usr/bin/env bash
# Writes the GIF decoder's fuzz seeds (made by the decoder's tests) into fxcore/fuzz/corpus/gif.
set -euo pipefail
BUILD_DIR=${1:-build}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$ROOT/fxcore/fuzz/corpus/gif"
TORMAKELIN_GIF_CORPUS="$ROOT/fxcore/fuzz/corpus/gif" SDL_VIDEODRIVER=offscreen \
  "$BUILD_DIR/bin/Tormakelin.FXCore.Tests" --gtest_filter='GifDecoder.WritesFuzzSeeds'
