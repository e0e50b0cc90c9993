#!/usr/bin/env bash
# Everything from a fresh Debian machine: packages, build, clang-tidy, all tests; then the
# Debian package installed and started; then the same tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer; then each fuzz target for a
# short run under the same sanitizers; then the Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/check-format.sh
scripts/build.sh build
scripts/tidy.sh build
(cd build && ctest --output-on-failure -j2)
scripts/package-check.sh build
scripts/build.sh build-sanitize -DMARROWICK_SANITIZE=ON -DMARROWICK_BUILD_BENCH=OFF
(cd build-sanitize && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
   ctest --output-on-failure -j2)
scripts/fuzz.sh 10
scripts/test-windows.sh
