#!/usr/bin/env bash
# Builds the Qt-free part of the native suite with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-asan/ and runs all of it; builds the
# threaded tests (children, live-children table, runner, frame pump, shutdown, length
# probes, and the QtCore sessions: job runner, recording controller, player
# session) with ThreadSanitizer into build-tsan/ and runs those. Both
# headless. Any report fails the run. The window's tests stay out: Qt itself
# is not built with the sanitizers, and building the window twice more costs
# more than the whole suite.
set -euo pipefail
cd "$(dirname "$0")/.."
asan=${ASAN_BUILD_DIR:-build-asan}
tsan=${TSAN_BUILD_DIR:-build-tsan}
here=$PWD

configure() { # DIR SANITIZERS WITH-QT
  # -g1: the line tables the reports' stacks need, at an eighth less compiling.
  cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" -DVTR_WITH_QT="$3" \
    -DVTR_SANITIZE="$2" >/dev/null
}

# These crash a program on purpose to test our crash handler: the
# sanitizers' own handlers and checks come first there.
crashes='^(Modes/)?(CrashWhileRecording|CrashReport)\.'
# These hold the recording's timing to tens of milliseconds (or its sound
# to 10 ms windows without a gap), which an instrumented build cannot
# promise; the plain suite runs them.
timing='RecordRunTest\.(FramesAreRealCaptures|SeparateTracksKeepEachSource)'

status=0
start=$(date +%s)
configure "$asan" address,undefined OFF
# The test programs only: the benchmarks cost a third more to build.
cmake --build "$asan" --parallel "$(nproc)" \
  $(ninja -C "$asan" -t targets all | sed -n '/^cmake_/d; s/^\([a-z_]*_tests\): phony$/--target \1/p')
ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
LSAN_OPTIONS="suppressions=$here/scripts/sanitizer-leaks.supp:print_suppressions=0" \
  bash scripts/headless-session.sh ctest --test-dir "$asan" --output-on-failure -j "$(nproc)" \
    -E "$crashes|$timing" || status=1
bash scripts/lib/skip-reasons.sh "$asan"
echo "AddressSanitizer and UndefinedBehaviorSanitizer: $(( $(date +%s) - start )) s"

start=$(date +%s)
configure "$tsan" thread ON
cmake --build "$tsan" --parallel "$(nproc)" --target platform_tests encoder_tests shutdown_tests library_tests \
  job_runner_tests recording_tests player_session_tests
run_tsan() { # TEST-PROGRAM [GTEST-FILTER]
  # As ctest runs them: never in the user's own folders. No thread leaks: a
  # forked child whose exec fails ends through _exit, and the sanitizer then
  # counts the parent's threads as its own, unjoined.
  XDG_DATA_HOME="$here/$tsan/test-home/data" XDG_CONFIG_HOME="$here/$tsan/test-home/config" \
  TSAN_OPTIONS="halt_on_error=1:report_thread_leaks=0:second_deadlock_stack=1:suppressions=$here/scripts/sanitizer-threads.supp" \
    bash scripts/headless-session.sh "$tsan/tests/$1" --gtest_filter="${2:-*}" --gtest_brief=1 || status=1
}
run_tsan platform/platform_tests
run_tsan encoder/encoder_tests 'RunTool.*:StreamOps.*:FramePump.*:RecordRunTest.EachAudioChoice*'
run_tsan app/shutdown_tests
run_tsan library/library_tests 'DurationCache.*:FolderScan.*:PictureWorker.*'
run_tsan editing/job_runner_tests
run_tsan recording/recording_tests
run_tsan player/player_session_tests
echo "ThreadSanitizer: $(( $(date +%s) - start )) s"
exit $status
