#!/usr/bin/env bash
# clang-tidy over every source file of the program, its benchmarks and tools, with
# the checks of .clang-tidy; any finding fails. Needs a configured build folder
# (default: build) for its compile commands.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
tidy=$(command -v run-clang-tidy-14 || command -v run-clang-tidy || true)
if [ -z "$tidy" ]; then
  echo "run-clang-tidy not installed; not checked" >&2
  exit 1
fi
"$tidy" -p "$build" -j"$(nproc)" -quiet "$PWD/(src|bench|tools)/" > "$build/clang-tidy.log" 2>&1 || true
if grep -E "(warning|error): " "$build/clang-tidy.log" | grep -v "warnings treated as errors" >&2; then
  echo "clang-tidy found the above; the whole output is in $build/clang-tidy.log" >&2
  exit 1
fi
echo "clang-tidy: no findings"
