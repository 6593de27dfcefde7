#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer into build-fuzz/ (or $FUZZ_BUILD_DIR) and runs
# each for SECONDS (default 60) from its checked-in seed corpus. Prints the
# executions per second of each and what it found; exits non-zero when any
# target found a crash, a hang or a leak, or did not run.
#   bash bench/fuzz/run.sh [SECONDS] [TARGET...]
# With FUZZ_FRESH=1 (as the test suite runs it) each target starts from the
# checked-in seeds alone and earlier findings are cleared, so that a run's
# answer depends on the seeds and that run only.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] ||
  targets=(fuzz_ini fuzz_command_line fuzz_duration fuzz_runner_output fuzz_player_answers fuzz_mp4_boxes fuzz_ts_span
    fuzz_encoder_values)
build=${FUZZ_BUILD_DIR:-build-fuzz}

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVTR_WITH_QT=OFF -DVTR_BUILD_TESTS=OFF -DVTR_SANITIZE=address,undefined -DVTR_FUZZ=ON >/dev/null
cmake --build "$build" --parallel "$(nproc)" --target "${targets[@]}"

found=0
if [ "${FUZZ_FRESH:-0}" = 1 ]; then
  rm -rf "$build/fuzz-work" "$build/fuzz-found"
fi
printf '%-22s %10s %10s  %s\n' target runs exec/s found
for t in "${targets[@]}"; do
  work="$build/fuzz-work/$t"     # grows across runs unless fresh; the seeds stay as checked in
  out="$build/fuzz-found"
  mkdir -p "$work" "$out"
  log="$build/fuzz-work/$t.log"
  # A hang is an input that takes over 10 s; leaks count as findings.
  code=0
  dict=()
  [ ! -f "bench/fuzz/dict/$t.dict" ] || dict=(-dict="bench/fuzz/dict/$t.dict")
  "$build/bench/fuzz/$t" "${dict[@]}" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$out/$t-" "$work" "bench/fuzz/corpus/$t" >"$log" 2>&1 || code=$?
  runs=$(awk '/stat::number_of_executed_units/ { print $2 }' "$log")
  rate=$(awk '/stat::average_exec_per_sec/ { print $2 }' "$log")
  artifacts=$(ls "$out" 2>/dev/null | grep "^$t-" || true)
  [ -z "$artifacts" ] && [ "$code" = 0 ] || found=1
  [ "$code" = 0 ] || [ -n "$artifacts" ] || artifacts="exit code $code, see $log"
  printf '%-22s %10s %10s  %s\n' "$t" "${runs:-?}" "${rate:-?}" "${artifacts:-none}"
  if [ "$code" != 0 ]; then
    # What went wrong, in the form the test suite's summary of failures finds.
    echo "bench/fuzz: $t found a fault: Failure"
    grep -m4 -E '^(ERROR|WARNING): |runtime error|^==[0-9]+== ?ERROR' "$log" | cut -c1-300 || true
  fi
done
[ $found -eq 0 ] || echo "Findings are in $build/fuzz-found; each log is in $build/fuzz-work."
exit $found
