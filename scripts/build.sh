#!/usr/bin/env bash
# Configures and builds into build/ (or $BUILD_DIR): everything, or only the
# targets named in $BUILD_TARGETS, with $BUILD_JOBS jobs (one per core unless
# set).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo}
targets=()
for t in ${BUILD_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$build" --parallel "${BUILD_JOBS:-$(nproc)}" "${targets[@]}"
