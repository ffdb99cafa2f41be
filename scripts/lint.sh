#!/usr/bin/env bash
# Runs clang-tidy with the checked-in .clang-tidy over every source file of the tree; exits
# non-zero on any warning. BUILD_DIR (build) is configured with a compile database, or reused.
# Arguments after `--` are file regexes that narrow the run (e.g. `-- core/src/Path.cpp`).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
ROOT=$(pwd)
BUILD_DIR=${BUILD_DIR:-build}
if [ "${1:-}" = "--" ]; then shift; fi

# The one generated source (fxcore's ImageEffectText.cpp) is written by the configure step.
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} \
  -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null

# Our sources only: nothing under a build folder (build, build-asan, ...).
if [ $# -gt 0 ]; then
  FILES=()
  for f in "$@"; do FILES+=("^$ROOT/$f"); done
else
  FILES=("^$ROOT/(?!build[^/]*/)")
fi

LOG=$(mktemp)
trap 'rm -f "$LOG"' EXIT
status=0
run-clang-tidy-14 -p "$BUILD_DIR" -quiet -j "$(nproc)" "${FILES[@]}" >"$LOG" 2>&1 || status=$?
# run-clang-tidy always colours its output and echoes each command; keep the findings.
sed -i 's/\x1b\[[0-9;]*m//g' "$LOG"
grep -E -A2 '^[^ ]+:[0-9]+:[0-9]+: (warning|error):' "$LOG" | grep -v -e '^--$' || true
warnings=$(grep -cE '^[^ ]+:[0-9]+:[0-9]+: (warning|error):' "$LOG" || true)
if [ "$status" -ne 0 ] || [ "$warnings" -ne 0 ]; then
  echo "lint: $warnings finding(s)" >&2
  exit 1
fi
echo "lint: clean"
