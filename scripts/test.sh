#!/usr/bin/env bash
# Builds everything and runs every test, headless (no display, sound card or GPU needed).
#   scripts/test.sh            the normal build in build/
#   scripts/test.sh --sanitize AddressSanitizer and UndefinedBehaviorSanitizer (clang) in build-asan/,
#                              then each fuzz target for a short, fixed time
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--sanitize" ]; then
  export BUILD_DIR=build-asan CC=clang CXX=clang++
  scripts/build.sh -DTORMAKELIN_SANITIZE=ON -DTORMAKELIN_FUZZ=ON -DTORMAKELIN_BENCH=OFF
else
  scripts/build.sh
fi
BUILD_DIR=${BUILD_DIR:-build}
ctest --test-dir "$BUILD_DIR" --output-on-failure --parallel "$(nproc)" --timeout 300
if [ "${1:-}" = "--sanitize" ]; then
  scripts/fuzz.sh "$BUILD_DIR" "${FUZZ_SECONDS:-20}"
fi
