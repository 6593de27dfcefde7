#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
# Only the program and its language files, not the tests and benchmarks.
BUILD_TARGETS="VantreelScreenRecorder vantreel-finish-take" bash scripts/build.sh
exec "${BUILD_DIR:-build}/bin/VantreelScreenRecorder"
