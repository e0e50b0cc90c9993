#!/usr/bin/env bash
# Fails when a C++ file differs from the committed .clang-format style.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null; then
  echo "clang-format not installed; format not checked"
  exit 0
fi
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
