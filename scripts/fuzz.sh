#!/usr/bin/env bash
# Runs every fuzz target of a build for a fixed time from its seed corpus.
set -euo pipefail
BUILD_DIR=${1:-build-asan}
SECONDS_EACH=${2:-20}
[ -f "$BUILD_DIR/fuzzers.txt" ] || exit 0
# Leak detection as the tests have it (sanitizer.env, written by the build), for the targets only.
settings=()
if [ -f "$BUILD_DIR/sanitizer.env" ]; then
  while IFS= read -r setting; do
    [ -n "$setting" ] && settings+=("$setting")
  done < "$BUILD_DIR/sanitizer.env"
fi
while IFS='|' read -r target corpus; do
  [ -n "$target" ] || continue
  work=$(mktemp -d)
  [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/
  # A target's dictionary, where it has one, lies beside its seeds as <corpus>.dict.
  dictionary=()
  [ -f "${corpus%/}.dict" ] && dictionary=("-dict=${corpus%/}.dict")
  echo "fuzz: $target for ${SECONDS_EACH}s"
  mkdir -p "$BUILD_DIR/fuzz-artifacts"
  if ! env "${settings[@]}" "$BUILD_DIR/bin/$target" -max_total_time="$SECONDS_EACH" -max_len=65536 -seed=1 \
      "${dictionary[@]}" -artifact_prefix="$BUILD_DIR/fuzz-artifacts/$target-" "$work" > "$work.log" 2>&1; then
    tail -n 40 "$work.log"
    echo "fuzz: $target failed; the input is in $BUILD_DIR/fuzz-artifacts/"
    exit 1
  fi
  tail -n 1 "$work.log"
  rm -f "$work.log"
  rm -rf "$work"
done < "$BUILD_DIR/fuzzers.txt"
