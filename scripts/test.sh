#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite headless:
# the native suite, then the Windows suite under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --tests
# Each phase's time, for keeping the whole under CI's limit.
mark=$SECONDS
took() { echo "== $1: $((SECONDS - mark)) s"; mark=$SECONDS; }
bash scripts/build.sh
took build
build=${BUILD_DIR:-build}
export QT_QPA_PLATFORM=xcb
log=$(mktemp /tmp/vtr-test-log.XXXXXX)
trap 'rm -f "$log"' EXIT
# Both suites always run; the exit code fails when either failed.
status=0
bash scripts/headless-session.sh ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@" 2>&1 |
  tee -a "$log" || status=1
bash scripts/lib/skip-reasons.sh "$build" | tee -a "$log"
took "native suite"
# The .deb: built from the same build, checked, unpacked read-only and driven.
bash scripts/deb-proof.sh 2>&1 | tee -a "$log" || status=1
took "deb proof"
# The Qt-free suite again under AddressSanitizer with UndefinedBehaviorSanitizer,
# and its threaded tests under ThreadSanitizer (their own build folders).
bash scripts/test-sanitizers.sh 2>&1 | tee -a "$log" || status=1
took "sanitizers"
# Every fuzz target for a short, fixed time under AddressSanitizer and
# UndefinedBehaviorSanitizer, from its checked-in seeds alone, so that what a
# seed or a short run finds fails the suite; longer runs are bench/fuzz/run.sh.
FUZZ_FRESH=1 bash bench/fuzz/run.sh 25 2>&1 | tee -a "$log" || status=1
took "fuzz"
# The Wayland recordings and the window, inside a private Wayland desktop
# with XWayland, as a user's desktop has it.
VTR_WAYLAND_XWAYLAND=enable bash scripts/headless-session.sh bash scripts/wayland-session.sh \
  ctest --test-dir "$build" --output-on-failure -L wayland 2>&1 | tee -a "$log" || status=1
bash scripts/lib/skip-reasons.sh "$build" | tee -a "$log"
took "wayland"
# The Win32 back end, cross-built and run under Wine (its own build folder).
bash scripts/test-windows.sh 2>&1 | tee -a "$log" || status=1
took "windows"
# The whole program for Windows, driven through its window under Wine, when
# Qt for Windows was built on this machine; building that takes far longer
# than CI allows, so it is never built here.
if qt=$(bash scripts/build-qt-mingw.sh --where); then
  bash scripts/test-windows-program.sh 2>&1 | tee -a "$log" || status=1
  took "windows program"
else
  echo "== windows program: skipped, no Qt for Windows in $qt (bash scripts/build-qt-mingw.sh builds it)"
fi
# What failed, again at the end: CI keeps only the tail of the output.
if [ "$status" != 0 ]; then
  echo "== what failed"
  awk '/The following tests FAILED:/ { p = 1; next } p && /^\t/ { print; next } { p = 0 }' "$log"
  grep -A6 -E ': Failure$|^(ERROR|WARNING): [A-Za-z]+Sanitizer' "$log" | cut -c1-300 | head -80 || true
fi
# The skipped tests and why, then one line for all suites together.
bash scripts/lib/test-summary.sh "$log"
exit $status
