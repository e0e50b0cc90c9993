#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer in build-fuzz and runs each
# for SECONDS (default 10), starting from a copy of its committed corpus in
# fuzz/corpus (which is never changed here). Exits non-zero when a target finds
# a crash, a leak or a broken invariant, and prints the input that reproduces it.
# Usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
dir=build-fuzz
targets=(table_reply_k5 table_reply_r2 show_data config_file show_files_k5 show_files_r2
         firmware_image settings port_settings dropped_files clip_format)

CC=clang CXX=clang++ cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMARROWICK_FUZZ=ON \
  -DMARROWICK_BUILD_TESTS=OFF -DMARROWICK_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" -j"$(nproc)" --target "${targets[@]/#/fuzz_}" >"$dir/fuzz-build.log" 2>&1 ||
  { tail -n 40 "$dir/fuzz-build.log"; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/marrowick-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT
findings="$dir/findings"
rm -rf "$findings"
mkdir -p "$findings"
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
failed=()
for target in "${targets[@]}"; do
  mkdir -p "$work/$target"
  cp fuzz/corpus/"$target"/* "$work/$target"/ 2>/dev/null || true
  echo "== $target: ${seconds}s"
  if ! "$dir/fuzz/fuzz_$target" "$work/$target" -max_total_time="$seconds" -max_len=8192 -timeout=20 \
       -rss_limit_mb=2048 -print_final_stats=0 -artifact_prefix="$findings/$target-" \
       >"$work/$target.log" 2>&1; then
    tail -n 60 "$work/$target.log"
    failed+=("$target")
  else
    grep -E '^#[0-9]+ +DONE' "$work/$target.log" || tail -n 1 "$work/$target.log"
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzzing found faults in: ${failed[*]}"
  for target in "${failed[@]}"; do
    for reproducer in "$findings/$target-"*; do
      [ -e "$reproducer" ] && echo "  reproduce: $dir/fuzz/fuzz_$target $reproducer"
    done
  done
  exit 1
fi
echo "Fuzzing found nothing in ${#targets[@]} targets (${seconds}s each)"
