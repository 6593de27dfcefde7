#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite headless.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
build=${BUILD_DIR:-build}
export QT_QPA_PLATFORM=xcb
bash scripts/headless-session.sh ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"
