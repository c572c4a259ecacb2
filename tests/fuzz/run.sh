#!/usr/bin/env bash
# Builds the fuzz targets (clang, sanitized) into build-fuzz/ and runs every
# target for SECONDS from its seed corpus, all at once. Prints each target's
# executions and peak memory; exits 1 when any target finds a crash, a
# sanitizer report or a mismatch, naming the file that reproduces it.
#
#   tests/fuzz/run.sh SECONDS
#   FUZZ_CORPUS=DIR tests/fuzz/run.sh 3600   # grow DIR/<target> instead of a throwaway corpus
set -uo pipefail
seconds=${1:?usage: tests/fuzz/run.sh SECONDS}
cd "$(dirname "$0")/../.."
build=build-fuzz
CXX=${CXX:-clang++} cmake -S . -B "$build" -DZIVUVI_WERROR=ON -DZIVUVI_FUZZ=ON \
  -DZIVUVI_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
cmake --build "$build" -j"$(nproc)" >/dev/null || exit 1

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
artifacts=$build/fuzz-findings
mkdir -p "$artifacts"
targets=(number table)
for target in "${targets[@]}"; do
  corpus=${FUZZ_CORPUS:+$FUZZ_CORPUS/$target}
  corpus=${corpus:-$work/corpus-$target}
  mkdir -p "$corpus"
  "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len=4096 \
    -dict=tests/fuzz/numbers.dict -print_final_stats=1 -artifact_prefix="$artifacts/$target-" \
    "$corpus" "tests/fuzz/corpus/$target" >"$work/$target.log" 2>&1 &
  echo $! >"$work/$target.pid"
done

failed=0
for target in "${targets[@]}"; do
  if wait "$(cat "$work/$target.pid")"; then
    status=passed
  else
    status=FAILED
    failed=$((failed + 1))
  fi
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target.log")
  memory=$(sed -n 's/^stat::peak_rss_mb: *//p' "$work/$target.log")
  echo "fuzz_$target: $status, ${executions:-?} executions in $seconds s, peak ${memory:-?} MB"
  if [ "$status" = FAILED ]; then
    grep -E "ERROR|SUMMARY|for a source|Test unit written to|deadly signal|timeout" \
      "$work/$target.log" | head -n 20
  fi
done
echo "fuzzing: $((${#targets[@]} - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
