#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite headless:
# the native suite, then the Windows suite under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
build=${BUILD_DIR:-build}
export QT_QPA_PLATFORM=xcb
# Both suites always run; the exit code fails when either failed.
status=0
bash scripts/headless-session.sh ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@" || status=$?
# The Win32 back end, cross-built and run under Wine (its own build folder).
bash scripts/test-windows.sh || status=$?
exit $status
