#!/usr/bin/env bash
# Runs every fuzz target of a build for a fixed time from its seed corpus.
set -euo pipefail
BUILD_DIR=${1:-build-asan}
SECONDS_EACH=${2:-20}
[ -f "$BUILD_DIR/fuzzers.txt" ] || exit 0
export ASAN_OPTIONS=detect_leaks=0
while IFS='|' read -r target corpus; do
  [ -n "$target" ] || continue
  work=$(mktemp -d)
  [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/
  echo "fuzz: $target for ${SECONDS_EACH}s"
  "$BUILD_DIR/bin/$target" -max_total_time="$SECONDS_EACH" -max_len=65536 -print_final_stats=0 "$work" 2>&1 | tail -n 2
  rm -rf "$work"
done < "$BUILD_DIR/fuzzers.txt"
